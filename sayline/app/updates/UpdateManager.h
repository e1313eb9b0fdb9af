#pragma once

#include "AppcastUpdater.h"
#include "UpdaterDelegate.h"

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <memory>

class QJSEngine;
class QQmlEngine;
class UpdateNotice;

// The program's front to software updates: owns the updater, started at
// construction, and publishes whether a check the user asked for is running,
// whether the last check found an update, and the running version.
//
// The updater's notifications arrive through UpdaterDelegate; each state change
// they cause is applied on a later turn of the main event loop. An aborted check
// writes "Update check failed with error: <description>" to standard output at
// once.
class UpdateManager : public QObject, private UpdaterDelegate
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(bool isCheckingForUpdates READ isCheckingForUpdates NOTIFY isCheckingForUpdatesChanged)
    Q_PROPERTY(bool updateAvailable READ updateAvailable NOTIFY updateAvailableChanged)
    Q_PROPERTY(QString currentVersion READ currentVersion CONSTANT)
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)
    Q_PROPERTY(bool automaticallyChecksForUpdates READ automaticallyChecksForUpdates
                   WRITE setAutomaticallyChecksForUpdates NOTIFY automaticallyChecksForUpdatesChanged)
public:
    static UpdateManager &shared();
    static UpdateManager *create(QQmlEngine *, QJSEngine *);

    // For tests: a configuration of their own and a notice that records.
    UpdateManager(UpdaterConfiguration configuration, std::unique_ptr<UpdateNotice> notice,
                  QObject *parent = nullptr);
    ~UpdateManager() override;

    bool isCheckingForUpdates() const { return m_isCheckingForUpdates; }
    bool updateAvailable() const { return m_updateAvailable; }
    // The project version, "Unknown" when the build has none.
    QString currentVersion() const { return m_currentVersion; }
    bool canCheckForUpdates() const { return m_updater->canCheckForUpdates(); }
    bool automaticallyChecksForUpdates() const { return m_updater->automaticallyChecksForUpdates(); }
    void setAutomaticallyChecksForUpdates(bool enabled);

    Q_INVOKABLE void checkForUpdates();

    AppcastUpdater &updater() { return *m_updater; }

signals:
    void isCheckingForUpdatesChanged();
    void updateAvailableChanged();
    void canCheckForUpdatesChanged();
    void automaticallyChecksForUpdatesChanged();

private:
    void didFinishLoadingAppcast(const Appcast &appcast) override;
    void didFindValidUpdate(const AppcastItem &item) override;
    void didNotFindUpdate() override;
    void didAbortWithError(const QString &description) override;

    void setIsCheckingForUpdates(bool checking);
    void setUpdateAvailable(bool available);
    // Runs `change` on a later turn of the main event loop.
    template<typename Change>
    void onMainQueue(Change change)
    {
        QMetaObject::invokeMethod(this, std::move(change), Qt::QueuedConnection);
    }

    bool m_isCheckingForUpdates = false;
    bool m_updateAvailable = false;
    QString m_currentVersion;
    std::unique_ptr<UpdateNotice> m_notice;
    std::unique_ptr<AppcastUpdater> m_updater;
};
