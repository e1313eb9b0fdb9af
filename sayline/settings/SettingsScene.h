#pragma once

#include <QObject>
#include <QPointer>
#include <QQuickWindow>
#include <QString>

class QQmlEngine;

// Builds the settings window when asked to open "settings". The window is
// created with fresh content (a new SettingsState selecting General) each
// time it opens after having been closed; while it is open, opening again
// only shows it. Bringing it to the front is the window manager's part: it
// finds the window by its objectName "settings".
class SettingsScene : public QObject
{
    Q_OBJECT
public:
    explicit SettingsScene(QQmlEngine &engine, QObject *parent = nullptr);
    ~SettingsScene() override;

    // The open-window action for WindowManager::setOpenWindow(). Other
    // identifiers have no scene here and are ignored.
    void openWindow(const QString &identifier);
    // Installs openWindow() as WindowManager::shared()'s open-window action.
    void installInWindowManager();

    QQuickWindow *settingsWindow() const { return m_settingsWindow; }

private:
    QQmlEngine &m_engine;
    QPointer<QQuickWindow> m_settingsWindow;
};
