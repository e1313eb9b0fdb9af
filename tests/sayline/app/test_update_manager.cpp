// The update manager and its updater against a feed served from 127.0.0.1.
#include "AppcastSamples.h"
#include "CannedHttpServer.h"
#include "OutputCapture.h"
#include "UpdateManager.h"
#include "UpdateNotice.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// Records what the user would have been shown.
class RecordingNotice final : public UpdateNotice
{
public:
    QStringList shown;
    QUrl lastPage;
    std::function<void()> whenShown = [] {};
    void showUpdateFound(const AppcastItem &update, const QString &currentVersion) override
    {
        shown << QStringLiteral("found %1 over %2").arg(update.displayVersion(), currentVersion);
        lastPage = update.pageUrl();
        whenShown();
    }
    void showUpToDate(const QString &currentVersion) override { shown << QStringLiteral("up to date ") + currentVersion; }
    void showCheckFailed(const QString &) override { shown << QStringLiteral("failed"); }
};

struct Manager
{
    RecordingNotice *notice;
    std::unique_ptr<UpdateManager> manager;
};

Manager makeManager(const QUrl &feed, std::chrono::milliseconds timeout = std::chrono::seconds(10),
                    bool automatic = false, std::chrono::milliseconds interval = std::chrono::hours(24))
{
    UpdaterConfiguration configuration;
    configuration.feedUrl = feed;
    configuration.currentVersion = QStringLiteral("1.1.0");
    configuration.systemVersion = QStringLiteral("12");
    configuration.limits.timeout = timeout;
    configuration.automaticallyChecksForUpdates = automatic;
    configuration.checkInterval = interval;
    auto notice = std::make_unique<RecordingNotice>();
    RecordingNotice *recorder = notice.get();
    return {recorder, std::make_unique<UpdateManager>(configuration, std::move(notice))};
}

const QString failurePrefix = QStringLiteral("Update check failed with error: ");

} // namespace

class UpdateManagerTest : public QObject
{
    Q_OBJECT

private slots:
    void findsUpdates_data()
    {
        QTest::addColumn<QByteArray>("feed");
        QTest::addColumn<bool>("available");
        QTest::addColumn<QString>("shown");
        QTest::newRow("newer") << AppcastSamples::feed("1.2.0") << true << "found 1.2.0 over 1.1.0";
        QTest::newRow("same version") << AppcastSamples::feed("1.1.0") << false << "up to date 1.1.0";
        QTest::newRow("older") << AppcastSamples::feed("1.0.9") << false << "up to date 1.1.0";
        QTest::newRow("numeric order") << AppcastSamples::feed("1.10.0") << true << "found 1.10.0 over 1.1.0";
        QTest::newRow("display version") << AppcastSamples::feed("1.3", "1.3 (Spring)") << true << "found 1.3 (Spring) over 1.1.0";
        QTest::newRow("newest of several") << AppcastSamples::withItems(
            "<item><sparkle:version>1.4</sparkle:version></item>"
            "<item><sparkle:version>1.6</sparkle:version></item>"
            "<item><sparkle:version>1.5</sparkle:version></item>") << true << "found 1.6 over 1.1.0";
        QTest::newRow("needs a newer system") << AppcastSamples::feed(
            "2.0", {}, "<sparkle:minimumSystemVersion>99</sparkle:minimumSystemVersion>") << false << "up to date 1.1.0";
        QTest::newRow("suits this system") << AppcastSamples::feed(
            "2.0", {}, "<sparkle:minimumSystemVersion>11.4</sparkle:minimumSystemVersion>") << true << "found 2.0 over 1.1.0";
        QTest::newRow("unreadable version ignored") << AppcastSamples::feed("two") << false << "up to date 1.1.0";
        QTest::newRow("no items") << AppcastSamples::withItems({}) << false << "up to date 1.1.0";
    }

    void findsUpdates()
    {
        QFETCH(QByteArray, feed);
        QFETCH(bool, available);
        QFETCH(QString, shown);
        CannedHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(200, feed);
        auto [notice, manager] = makeManager(server.url());
        QSignalSpy checking(manager.get(), &UpdateManager::isCheckingForUpdatesChanged);

        OutputCapture output;
        manager->checkForUpdates();
        QCOMPARE(manager->isCheckingForUpdates(), true);
        QVERIFY(!manager->canCheckForUpdates());
        QTRY_COMPARE(manager->isCheckingForUpdates(), false);
        QCOMPARE(checking.count(), 2);
        QCOMPARE(manager->updateAvailable(), available);
        QCOMPARE(notice->shown, QStringList{shown});
        QVERIFY(manager->canCheckForUpdates());
        QCOMPARE(output.lines(), QStringList{});
        QCOMPARE(server.requestCount(), 1);
    }

    void laterCheckClearsAFoundUpdate_data()
    {
        QTest::addColumn<QByteArray>("laterFeed");
        QTest::addColumn<int>("logLines");
        QTest::newRow("no update any more") << AppcastSamples::feed("1.1.0") << 0;
        QTest::newRow("check aborted") << QByteArray("<rss>") << 1;
    }

    // The notice comes right after the delegate was told; the flags change on
    // a later turn. A later check that finds nothing, or fails, clears the update.
    void laterCheckClearsAFoundUpdate()
    {
        QFETCH(QByteArray, laterFeed);
        QFETCH(int, logLines);
        CannedHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(200, AppcastSamples::feed("1.2.0"));
        auto [notice, manager] = makeManager(server.url());
        std::optional<std::pair<bool, bool>> flagsWhenShown;
        notice->whenShown = [&, m = manager.get()] { flagsWhenShown = {m->isCheckingForUpdates(), m->updateAvailable()}; };
        manager->checkForUpdates();
        QTRY_VERIFY(flagsWhenShown.has_value());
        QCOMPARE(*flagsWhenShown, std::pair(true, false));
        QTRY_COMPARE(manager->updateAvailable(), true);
        QCOMPARE(manager->isCheckingForUpdates(), false);
        QCOMPARE(notice->lastPage, QUrl("https://downloads.example.org/Sayline-1.2.0.tar.gz"));

        server.setResponse(200, laterFeed);
        OutputCapture output;
        manager->checkForUpdates();
        QTRY_COMPARE(manager->updateAvailable(), false);
        QCOMPARE(manager->isCheckingForUpdates(), false);
        QCOMPARE(output.lines().size(), logLines);
    }

    void abortsFailedChecks_data()
    {
        QTest::addColumn<QString>("serverMode");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("error");
        const QByteArray large = "<rss>" + QByteArray(2 * 1024 * 1024, ' ') + "</rss>";
        QTest::newRow("malformed XML") << "respond" << QByteArray("<rss><channel><item>") << "The update feed is not valid XML";
        QTest::newRow("oversized, announced") << "respond" << large << "The update feed is larger than 1 MiB";
        QTest::newRow("oversized, streamed") << "stream" << large << "The update feed is larger than 1 MiB";
        QTest::newRow("not found") << "404" << QByteArray("gone") << "HTTP status 404";
        QTest::newRow("redirect to plain HTTP") << "redirect" << QByteArray() << "not HTTPS: http://updates.example.org/appcast.xml";
        QTest::newRow("timeout") << "silent" << QByteArray() << "did not answer within 300 ms";
        QTest::newRow("server down") << "down" << QByteArray() << "could not be loaded";
        QTest::newRow("plain HTTP elsewhere") << "remote" << QByteArray() << "not an HTTPS address";
    }

    void abortsFailedChecks()
    {
        QFETCH(QString, serverMode);
        QFETCH(QByteArray, body);
        QFETCH(QString, error);
        CannedHttpServer server;
        QVERIFY(server.listen());
        QUrl feed = server.url();
        if (serverMode == "respond")
            server.setResponse(200, body);
        else if (serverMode == "stream")
            server.setResponse(200, body, false);
        else if (serverMode == "404")
            server.setResponse(404, body);
        else if (serverMode == "redirect")
            server.setResponse(302, {}, true, "http://updates.example.org/appcast.xml");
        else if (serverMode == "silent")
            server.setSilent();
        else if (serverMode == "remote")
            feed = QUrl("http://updates.example.org/appcast.xml");
        else if (serverMode == "down") {
            CannedHttpServer closed;
            QVERIFY(closed.listen());
            feed = closed.url();
        }
        auto [notice, manager] = makeManager(feed, std::chrono::milliseconds(300));

        auto output = std::make_unique<OutputCapture>();
        manager->checkForUpdates();
        const bool checkingAtFirst = manager->isCheckingForUpdates();
        const bool ended = QTest::qWaitFor([&] { return !manager->isCheckingForUpdates(); }, 8000);
        const QStringList lines = output->lines();
        output.reset(); // failures below must reach the test log
        QVERIFY(checkingAtFirst);
        QVERIFY(ended);
        QCOMPARE(manager->updateAvailable(), false);
        QCOMPARE(notice->shown, QStringList{"failed"});
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().startsWith(failurePrefix), qPrintable(lines.first()));
        QVERIFY2(lines.first().contains(error), qPrintable(lines.first()));
        QVERIFY(manager->canCheckForUpdates());
    }

    void withoutFeedNothingIsChecked()
    {
        auto [notice, manager] = makeManager(QUrl(), std::chrono::seconds(10), true);
        QVERIFY(!manager->canCheckForUpdates());
        QVERIFY(!manager->updater().scheduledCheckTimer());
        OutputCapture output;
        manager->checkForUpdates();
        QTRY_COMPARE(manager->isCheckingForUpdates(), false);
        QCOMPARE(output.lines(), QStringList{failurePrefix + "No update feed is configured"});
    }

    void unknownVersionComparesWithNothing()
    {
        CannedHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(200, AppcastSamples::feed("1.2.0"));
        UpdaterConfiguration configuration;
        configuration.feedUrl = server.url();
        UpdateManager manager(configuration, std::make_unique<RecordingNotice>());
        QCOMPARE(manager.currentVersion(), "Unknown");
        OutputCapture output;
        manager.checkForUpdates();
        QTRY_COMPARE(manager.isCheckingForUpdates(), false);
        QCOMPARE(manager.updateAvailable(), false);
        QCOMPARE(output.lines().size(), 1);
    }

    void automaticChecksRunOnlyWhileEnabled()
    {
        CannedHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(200, AppcastSamples::feed("1.1.0"));
        auto [notice, manager] = makeManager(server.url(), std::chrono::seconds(10), false,
                                             std::chrono::milliseconds(100));
        QVERIFY(!manager->updater().scheduledCheckTimer());
        QTest::qWait(350);
        QCOMPARE(server.requestCount(), 0);

        QSignalSpy switched(manager.get(), &UpdateManager::automaticallyChecksForUpdatesChanged);
        manager->setAutomaticallyChecksForUpdates(true);
        QCOMPARE(switched.count(), 1);
        QVERIFY(manager->automaticallyChecksForUpdates());
        QVERIFY(manager->updater().scheduledCheckTimer());
        QTRY_VERIFY(server.requestCount() >= 2);
        // Background checks show only found updates, and leave the user-check flag alone.
        QCOMPARE(notice->shown, QStringList{});
        QCOMPARE(manager->isCheckingForUpdates(), false);

        server.setResponse(200, AppcastSamples::feed("1.2.0"));
        QTRY_COMPARE(manager->updateAvailable(), true);
        QVERIFY(!notice->shown.isEmpty());
        QVERIFY(notice->shown.first().startsWith("found 1.2.0"));

        manager->setAutomaticallyChecksForUpdates(false);
        QVERIFY(!manager->updater().scheduledCheckTimer());
        QTest::qWait(50); // let a request already under way finish
        const int requests = server.requestCount();
        QTest::qWait(350);
        QCOMPARE(server.requestCount(), requests);
        manager->setAutomaticallyChecksForUpdates(false);
        QCOMPARE(switched.count(), 2);
    }
};

QTEST_GUILESS_MAIN(UpdateManagerTest)
#include "test_update_manager.moc"
