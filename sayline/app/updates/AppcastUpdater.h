#pragma once

#include "Appcast.h"
#include "FeedDownload.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <memory>

class UpdateNotice;
class UpdaterDelegate;

struct UpdaterConfiguration
{
    QUrl feedUrl;                // empty: no update checks at all
    QString currentVersion;      // compared with each item's version
    QString systemVersion;       // compared with an item's minimum system version
    FeedLimits limits;
    bool automaticallyChecksForUpdates = false;
    std::chrono::milliseconds checkInterval = std::chrono::hours(24);

    // The program's own: the feed fixed at build time, or $SAYLINE_APPCAST_URL;
    // the running version; automatic checks as stored under
    // "automaticallyCheckForUpdates" (on when absent).
    static UpdaterConfiguration standard();
};

// Sayline's updater: reads the update feed, picks the newest release that is
// newer than the running version and suits the system, and tells its delegate
// and (for checks the user asked for, and for found updates) the user.
// It only informs; it never downloads or runs a release.
class AppcastUpdater : public QObject
{
    Q_OBJECT
public:
    AppcastUpdater(UpdaterConfiguration configuration, UpdaterDelegate &delegate, UpdateNotice &notice,
                   QObject *parent = nullptr);
    ~AppcastUpdater() override;

    // Begins the automatic schedule (when enabled).
    void start();
    // A check the user asked for: its result is always shown.
    void checkForUpdates();
    // A scheduled check: only a found update is shown.
    void checkForUpdatesInBackground();

    // A feed is configured and no check is running.
    bool canCheckForUpdates() const;
    bool automaticallyChecksForUpdates() const { return m_configuration.automaticallyChecksForUpdates; }
    void setAutomaticallyChecksForUpdates(bool enabled);
    // The timer of the automatic checks; it exists only while they are enabled.
    const QTimer *scheduledCheckTimer() const { return m_schedule.get(); }

signals:
    void canCheckForUpdatesChanged();

private:
    void check(bool userInitiated);
    void readFeed(const QByteArray &document);
    void abort(const QString &description);
    void endCheck();
    void updateSchedule();
    std::optional<AppcastItem> bestUpdate(const Appcast &appcast) const;

    UpdaterConfiguration m_configuration;
    UpdaterDelegate &m_delegate;
    UpdateNotice &m_notice;
    QNetworkAccessManager m_network;
    struct DeleteLater { void operator()(QObject *o) const { o->deleteLater(); } };
    std::unique_ptr<FeedDownload, DeleteLater> m_download;
    std::unique_ptr<QTimer> m_schedule;
    bool m_started = false;
    bool m_userInitiated = false;
};
