#include "Appcast.h"

#include <QXmlStreamReader>

namespace {

// rss > channel > item > enclosure is four levels; leave room for extensions.
constexpr int maximumDepth = 16;

bool isWebUrl(const QUrl &url)
{
    return url.isValid() && (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"))
           && !url.host().isEmpty();
}

QString attribute(const QXmlStreamAttributes &attributes, QLatin1String localName)
{
    for (const QXmlStreamAttribute &attribute : attributes) {
        if (attribute.name() == localName)
            return attribute.value().toString().trimmed();
    }
    return {};
}

AppcastParseResult rejected(const QString &why)
{
    return {std::nullopt, why};
}

// Reads a direct child of <item> that the updater uses; other children are left
// to the main loop, which passes over them.
void readItemChild(QXmlStreamReader &reader, AppcastItem &item)
{
    const QStringView name = reader.name();
    if (name == QLatin1String("enclosure")) {
        const QXmlStreamAttributes attributes = reader.attributes();
        item.downloadUrl = QUrl(attribute(attributes, QLatin1String("url")));
        // Older feeds carry the versions on the enclosure.
        if (item.version.isEmpty())
            item.version = attribute(attributes, QLatin1String("version"));
        if (item.shortVersionString.isEmpty())
            item.shortVersionString = attribute(attributes, QLatin1String("shortVersionString"));
        reader.skipCurrentElement();
    } else if (name == QLatin1String("version")) {
        item.version = reader.readElementText().trimmed();
    } else if (name == QLatin1String("shortVersionString")) {
        item.shortVersionString = reader.readElementText().trimmed();
    } else if (name == QLatin1String("releaseNotesLink")) {
        item.releaseNotesUrl = QUrl(reader.readElementText().trimmed());
    } else if (name == QLatin1String("minimumSystemVersion")) {
        item.minimumSystemVersion = reader.readElementText().trimmed();
    } else if (name == QLatin1String("title")) {
        item.title = reader.readElementText().trimmed();
    }
}

} // namespace

QUrl AppcastItem::pageUrl() const
{
    if (isWebUrl(downloadUrl))
        return downloadUrl;
    if (isWebUrl(releaseNotesUrl))
        return releaseNotesUrl;
    return {};
}

AppcastParseResult parseAppcast(const QByteArray &document)
{
    QXmlStreamReader reader(document);
    Appcast appcast;
    std::optional<AppcastItem> item;
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            return rejected(QStringLiteral("The update feed declares a document type, which is not accepted"));
        case QXmlStreamReader::EntityReference:
            return rejected(QStringLiteral("The update feed refers to an entity, which is not accepted"));
        case QXmlStreamReader::StartElement:
            if (++depth > maximumDepth)
                return rejected(QStringLiteral("The update feed nests elements too deeply"));
            if (depth == 1) {
                if (reader.name() != QLatin1String("rss"))
                    return rejected(QStringLiteral("The update feed is not an RSS document"));
            } else if (depth == 3 && reader.name() == QLatin1String("item")) {
                item.emplace();
            } else if (depth == 4 && item) {
                readItemChild(reader, *item);
                // A child read to its end element has been left already.
                if (reader.tokenType() == QXmlStreamReader::EndElement)
                    --depth;
            }
            break;
        case QXmlStreamReader::EndElement:
            if (depth == 3 && item) {
                appcast.items.append(std::move(*item));
                item.reset();
            }
            --depth;
            break;
        default:
            break;
        }
    }
    if (reader.hasError())
        return rejected(QStringLiteral("The update feed is not valid XML: %1 (line %2)")
                            .arg(reader.errorString())
                            .arg(reader.lineNumber()));
    return {std::move(appcast), {}};
}
