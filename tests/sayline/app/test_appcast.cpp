// Reading update feeds, comparing versions and the feed address policy.
#include "Appcast.h"
#include "AppcastSamples.h"
#include "DottedVersion.h"
#include "FeedDownload.h"

#include <QElapsedTimer>
#include <QTest>

class AppcastTest : public QObject
{
    Q_OBJECT

private slots:
    void comparesDottedVersions_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("equal") << "1.2.3" << "1.2.3" << 0;
        QTest::newRow("missing parts are zero") << "1.2" << "1.2.0" << 0;
        QTest::newRow("numeric, not textual") << "1.10" << "1.9" << 1;
        QTest::newRow("older") << "0.1.0" << "0.2" << -1;
        QTest::newRow("longer is newer") << "1.2.0.1" << "1.2" << 1;
        QTest::newRow("leading zeros") << "1.02" << "1.2" << 0;
        QTest::newRow("huge numbers") << "1.123456789012345678901" << "1.123456789012345678900" << 1;
        QTest::newRow("surrounding space") << " 2.0 " << "2" << 0;
    }

    void comparesDottedVersions()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        QCOMPARE(compareDottedVersions(a, b), order);
        QCOMPARE(compareDottedVersions(b, a), -order);
    }

    void recognisesDottedVersions_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("valid");
        QTest::newRow("plain") << "1.2.3" << true;
        QTest::newRow("single") << "42" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("Unknown") << "Unknown" << false;
        QTest::newRow("suffix") << "1.2beta" << false;
        QTest::newRow("empty part") << "1..2" << false;
        QTest::newRow("negative") << "-1.0" << false;
    }

    void recognisesDottedVersions()
    {
        QFETCH(QString, version);
        QFETCH(bool, valid);
        QCOMPARE(isDottedVersion(version), valid);
    }

    void readsElementsByLocalName()
    {
        // Any prefix bound to the namespace, and versions on the enclosure as older feeds have them.
        // (Fields of the usual spelling are read through the update manager's tests.)
        const AppcastParseResult result = parseAppcast(AppcastSamples::withItems(
            "<item><su:version>3.0</su:version></item>"
            "<item><enclosure url=\"https://example.org/a.tgz\" su:version=\"3.1\" su:shortVersionString=\"3.1 beta\"/></item>",
            "su"));
        QVERIFY2(result.appcast, qPrintable(result.error));
        QCOMPARE(result.appcast->items.size(), 2);
        QCOMPARE(result.appcast->items[0].version, "3.0");
        QCOMPARE(result.appcast->items[1].version, "3.1");
        QCOMPARE(result.appcast->items[1].displayVersion(), "3.1 beta");
    }

    void offersOnlyWebPages_data()
    {
        QTest::addColumn<QString>("enclosure");
        QTest::addColumn<QString>("notes");
        QTest::addColumn<QUrl>("page");
        QTest::newRow("download") << "https://example.org/a.tgz" << "https://example.org/n" << QUrl("https://example.org/a.tgz");
        QTest::newRow("notes when no download") << "" << "https://example.org/n" << QUrl("https://example.org/n");
        QTest::newRow("local file is not offered") << "file:///usr/bin/xterm" << "" << QUrl();
        QTest::newRow("script is not offered") << "javascript:alert(1)" << "ftp://example.org/n" << QUrl();
    }

    void offersOnlyWebPages()
    {
        QFETCH(QString, enclosure);
        QFETCH(QString, notes);
        QFETCH(QUrl, page);
        QString item = "<item><sparkle:version>2</sparkle:version>";
        if (!enclosure.isEmpty())
            item += "<enclosure url=\"" + enclosure + "\"/>";
        if (!notes.isEmpty())
            item += "<sparkle:releaseNotesLink>" + notes + "</sparkle:releaseNotesLink>";
        const AppcastParseResult result = parseAppcast(AppcastSamples::withItems(item + "</item>"));
        QVERIFY2(result.appcast, qPrintable(result.error));
        QCOMPARE(result.appcast->items.first().pageUrl(), page);
    }

    void rejectsBadDocuments_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QString>("error");
        QTest::newRow("malformed") << QByteArray("<rss><channel><item></channel></rss>") << "not valid XML";
        QTest::newRow("truncated") << AppcastSamples::feed("2").left(120) << "not valid XML";
        QTest::newRow("empty") << QByteArray() << "not valid XML";
        QTest::newRow("not rss") << QByteArray("<html><body/></html>") << "not an RSS document";
        QTest::newRow("entity expansion") << AppcastSamples::entityBomb() << "document type";
        QTest::newRow("external entity") << AppcastSamples::externalEntity() << "document type";
        QTest::newRow("undeclared entity") << QByteArray("<rss><channel><title>&x;</title></channel></rss>") << "not valid XML";
        QTest::newRow("deeply nested") << AppcastSamples::deeplyNested(200000) << "too deeply";
    }

    void rejectsBadDocuments()
    {
        QFETCH(QByteArray, document);
        QFETCH(QString, error);
        QElapsedTimer clock;
        clock.start();
        const AppcastParseResult result = parseAppcast(document);
        QVERIFY(!result.appcast);
        QVERIFY2(result.error.contains(error), qPrintable(result.error));
        QVERIFY2(clock.elapsed() < 5000, "rejecting a hostile feed must not hang");
    }

    void allowsOnlySafeFeedAddresses_data()
    {
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("https") << QUrl("https://updates.example.org/appcast.xml") << true;
        QTest::newRow("http loopback v4") << QUrl("http://127.0.0.1:8080/appcast.xml") << true;
        QTest::newRow("http loopback v6") << QUrl("http://[::1]:8080/appcast.xml") << true;
        QTest::newRow("http localhost") << QUrl("http://localhost/appcast.xml") << true;
        QTest::newRow("http elsewhere") << QUrl("http://updates.example.org/appcast.xml") << false;
        QTest::newRow("http lookalike") << QUrl("http://127.0.0.1.example.org/appcast.xml") << false;
        QTest::newRow("file") << QUrl("file:///tmp/appcast.xml") << false;
        QTest::newRow("ftp") << QUrl("ftp://updates.example.org/appcast.xml") << false;
        QTest::newRow("no host") << QUrl("https:///appcast.xml") << false;
    }

    void allowsOnlySafeFeedAddresses()
    {
        QFETCH(QUrl, url);
        QFETCH(bool, allowed);
        QCOMPARE(isAllowedFeedUrl(url), allowed);
    }
};

QTEST_GUILESS_MAIN(AppcastTest)
#include "test_appcast.moc"
