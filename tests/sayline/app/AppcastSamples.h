#pragma once

#include <QByteArray>
#include <QString>

// Update feeds as a release server would publish them.
namespace AppcastSamples {

// One item with a version, a display version and a download.
inline QByteArray feed(const QString &version, const QString &shortVersion = {},
                       const QString &extraItemContent = {})
{
    const QString item = QStringLiteral(
        "<item><title>Version %2</title>"
        "<sparkle:version>%1</sparkle:version>"
        "<sparkle:shortVersionString>%2</sparkle:shortVersionString>"
        "<enclosure url=\"https://downloads.example.org/Sayline-%2.tar.gz\" length=\"100\" type=\"application/octet-stream\"/>"
        "%3</item>").arg(version, shortVersion.isEmpty() ? version : shortVersion, extraItemContent);
    return QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">"
        "<channel><title>Sayline</title>%1</channel></rss>").arg(item).toUtf8();
}

inline QByteArray withItems(const QString &items, const QString &prefix = QStringLiteral("sparkle"))
{
    return QStringLiteral(
        "<?xml version=\"1.0\"?><rss version=\"2.0\" xmlns:%2=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">"
        "<channel><title>Sayline</title>%1</channel></rss>").arg(items, prefix).toUtf8();
}

// Entity expansion that would grow to gigabytes if it were expanded.
inline QByteArray entityBomb()
{
    QByteArray doc = "<?xml version=\"1.0\"?>\n<!DOCTYPE rss [\n<!ENTITY a0 \"lollollollollol\">\n";
    for (int i = 1; i < 10; ++i)
        doc += "<!ENTITY a" + QByteArray::number(i) + " \"" + QByteArray("&a" + QByteArray::number(i - 1) + ";").repeated(10) + "\">\n";
    doc += "]>\n<rss version=\"2.0\"><channel><title>&a9;</title></channel></rss>";
    return doc;
}

inline QByteArray externalEntity()
{
    return "<?xml version=\"1.0\"?>\n<!DOCTYPE rss [<!ENTITY secret SYSTEM \"file:///etc/passwd\">]>\n"
           "<rss version=\"2.0\"><channel><title>&secret;</title></channel></rss>";
}

inline QByteArray deeplyNested(int levels)
{
    return "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel>" + QByteArray("<x>").repeated(levels)
           + QByteArray("</x>").repeated(levels) + "</channel></rss>";
}

} // namespace AppcastSamples
