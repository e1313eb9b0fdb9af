#include "UpdateManager.h"

#include "StandardOutput.h"
#include "UpdateNotice.h"

#include <QJSEngine>

UpdateManager &UpdateManager::shared()
{
    // Lives for the whole process and is deliberately never destroyed.
    static UpdateManager *instance = new UpdateManager(UpdaterConfiguration::standard(), makeDefaultUpdateNotice());
    return *instance;
}

UpdateManager *UpdateManager::create(QQmlEngine *, QJSEngine *)
{
    UpdateManager *instance = &shared();
    QJSEngine::setObjectOwnership(instance, QJSEngine::CppOwnership);
    return instance;
}

UpdateManager::UpdateManager(UpdaterConfiguration configuration, std::unique_ptr<UpdateNotice> notice,
                             QObject *parent)
    : QObject(parent)
    , m_currentVersion(configuration.currentVersion.isEmpty() ? QStringLiteral("Unknown")
                                                               : configuration.currentVersion)
    , m_notice(std::move(notice))
{
    configuration.currentVersion = m_currentVersion;
    m_updater = std::make_unique<AppcastUpdater>(std::move(configuration), static_cast<UpdaterDelegate &>(*this), *m_notice);
    connect(m_updater.get(), &AppcastUpdater::canCheckForUpdatesChanged, this,
            &UpdateManager::canCheckForUpdatesChanged);
    m_updater->start();
}

UpdateManager::~UpdateManager() = default;

void UpdateManager::setAutomaticallyChecksForUpdates(bool enabled)
{
    if (enabled == m_updater->automaticallyChecksForUpdates())
        return;
    m_updater->setAutomaticallyChecksForUpdates(enabled);
    emit automaticallyChecksForUpdatesChanged();
}

void UpdateManager::checkForUpdates()
{
    setIsCheckingForUpdates(true);
    m_updater->checkForUpdates();
}

void UpdateManager::didFinishLoadingAppcast(const Appcast &)
{
    onMainQueue([this] { setIsCheckingForUpdates(false); });
}

void UpdateManager::didFindValidUpdate(const AppcastItem &)
{
    onMainQueue([this] {
        setIsCheckingForUpdates(false);
        setUpdateAvailable(true);
    });
}

void UpdateManager::didNotFindUpdate()
{
    onMainQueue([this] {
        setIsCheckingForUpdates(false);
        setUpdateAvailable(false);
    });
}

void UpdateManager::didAbortWithError(const QString &description)
{
    writeLogLine(QStringLiteral("Update check failed with error: ") + description);
    onMainQueue([this] {
        setIsCheckingForUpdates(false);
        setUpdateAvailable(false);
    });
}

void UpdateManager::setIsCheckingForUpdates(bool checking)
{
    if (checking == m_isCheckingForUpdates)
        return;
    m_isCheckingForUpdates = checking;
    emit isCheckingForUpdatesChanged();
}

void UpdateManager::setUpdateAvailable(bool available)
{
    if (available == m_updateAvailable)
        return;
    m_updateAvailable = available;
    emit updateAvailableChanged();
}
