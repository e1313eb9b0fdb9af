#include "AppcastUpdater.h"

#include "AppInfo.h"
#include "DottedVersion.h"
#include "UpdateNotice.h"
#include "UpdaterDelegate.h"
#include "UserDefaults.h"

#include <QSysInfo>

UpdaterConfiguration UpdaterConfiguration::standard()
{
    UpdaterConfiguration configuration;
    const QString fromEnvironment = qEnvironmentVariable("SAYLINE_APPCAST_URL");
    const QString feed = fromEnvironment.isEmpty() ? QStringLiteral(SAYLINE_APPCAST_URL) : fromEnvironment;
    if (!feed.isEmpty())
        configuration.feedUrl = QUrl(feed);
    configuration.currentVersion = AppInfo::version();
    configuration.systemVersion = QSysInfo::productVersion();
    configuration.automaticallyChecksForUpdates =
        UserDefaults::standard().boolValue(QStringLiteral("automaticallyCheckForUpdates"), true);
    return configuration;
}

AppcastUpdater::AppcastUpdater(UpdaterConfiguration configuration, UpdaterDelegate &delegate,
                               UpdateNotice &notice, QObject *parent)
    : QObject(parent)
    , m_configuration(std::move(configuration))
    , m_delegate(delegate)
    , m_notice(notice)
{
}

AppcastUpdater::~AppcastUpdater() = default;

void AppcastUpdater::start()
{
    m_started = true;
    updateSchedule();
}

bool AppcastUpdater::canCheckForUpdates() const
{
    return !m_configuration.feedUrl.isEmpty() && !m_download;
}

void AppcastUpdater::setAutomaticallyChecksForUpdates(bool enabled)
{
    m_configuration.automaticallyChecksForUpdates = enabled;
    updateSchedule();
}

void AppcastUpdater::updateSchedule()
{
    const bool wanted = m_started && m_configuration.automaticallyChecksForUpdates
                        && !m_configuration.feedUrl.isEmpty();
    if (!wanted) {
        m_schedule.reset();
        return;
    }
    if (m_schedule)
        return;
    m_schedule = std::make_unique<QTimer>();
    m_schedule->setInterval(m_configuration.checkInterval);
    connect(m_schedule.get(), &QTimer::timeout, this, &AppcastUpdater::checkForUpdatesInBackground);
    m_schedule->start();
}

void AppcastUpdater::checkForUpdates()
{
    check(true);
}

void AppcastUpdater::checkForUpdatesInBackground()
{
    check(false);
}

void AppcastUpdater::check(bool userInitiated)
{
    if (m_configuration.feedUrl.isEmpty()) {
        m_userInitiated = userInitiated;
        abort(QStringLiteral("No update feed is configured"));
        return;
    }
    m_userInitiated = m_userInitiated || userInitiated;
    if (m_download)
        return; // the running check answers this one too
    m_download.reset(new FeedDownload(m_network, m_configuration.feedUrl, m_configuration.limits));
    connect(m_download.get(), &FeedDownload::finished, this, &AppcastUpdater::readFeed);
    connect(m_download.get(), &FeedDownload::failed, this, &AppcastUpdater::abort);
    emit canCheckForUpdatesChanged();
}

void AppcastUpdater::readFeed(const QByteArray &document)
{
    const AppcastParseResult parsed = parseAppcast(document);
    if (!parsed.appcast) {
        abort(parsed.error);
        return;
    }
    if (!isDottedVersion(m_configuration.currentVersion)) {
        abort(QStringLiteral("The running version \"%1\" cannot be compared with the feed")
                  .arg(m_configuration.currentVersion));
        return;
    }
    const bool userInitiated = m_userInitiated;
    endCheck();
    m_delegate.didFinishLoadingAppcast(*parsed.appcast);
    if (const std::optional<AppcastItem> update = bestUpdate(*parsed.appcast)) {
        m_delegate.didFindValidUpdate(*update);
        m_notice.showUpdateFound(*update, m_configuration.currentVersion);
    } else {
        m_delegate.didNotFindUpdate();
        if (userInitiated)
            m_notice.showUpToDate(m_configuration.currentVersion);
    }
}

void AppcastUpdater::abort(const QString &description)
{
    const bool userInitiated = m_userInitiated;
    endCheck();
    m_delegate.didAbortWithError(description);
    if (userInitiated)
        m_notice.showCheckFailed(description);
}

void AppcastUpdater::endCheck()
{
    m_userInitiated = false;
    if (m_download) {
        m_download.reset();
        emit canCheckForUpdatesChanged();
    }
}

std::optional<AppcastItem> AppcastUpdater::bestUpdate(const Appcast &appcast) const
{
    std::optional<AppcastItem> best;
    for (const AppcastItem &item : appcast.items) {
        if (!isDottedVersion(item.version)
            || compareDottedVersions(item.version, m_configuration.currentVersion) <= 0)
            continue;
        if (!item.minimumSystemVersion.isEmpty()
            && (!isDottedVersion(item.minimumSystemVersion) || !isDottedVersion(m_configuration.systemVersion)
                || compareDottedVersions(m_configuration.systemVersion, item.minimumSystemVersion) < 0))
            continue;
        if (!best || compareDottedVersions(item.version, best->version) > 0)
            best = item;
    }
    return best;
}
