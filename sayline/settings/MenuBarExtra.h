#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;
class UserDefaults;

// Sayline's item in the desktop's tray (status notifier or XEmbed tray) with
// its drop-down menu of commands. The item is present exactly while
// "showInMenuBar" (default true) holds and a tray host exists; it follows the
// defaults key at once, and a tray host that starts later gets it too. Without
// a tray host nothing is shown and nothing is said.
//
// "Recent Dictations" lists the first words of each kept dictation, newest
// first, and is read afresh each time the menu opens.
//
// Each menu item with a key equivalent carries it as the dynamic properties
// "keyEquivalent" (text, upper case meaning Shift) and
// "keyEquivalentModifierMask" (platform modifier flags), which is what the
// shortcut recorder compares against; the QKeySequence only displays it.
class MenuBarExtra : public QObject
{
    Q_OBJECT
public:
    struct Commands
    {
        std::function<void()> startStopRecording;
        std::function<void()> openSettings;
        std::function<QString()> currentVersion;
        std::function<void()> checkForUpdates;
        std::function<void()> quit;
        // The recent dictations' texts, newest first; choosing one copies it.
        std::function<QStringList()> recentDictations;
        std::function<void(const QString &text)> copyDictation;
        std::function<void()> clearHistory;
    };

    // The application's commands: AppState, WindowManager, UpdateManager.
    static Commands standardCommands();

    explicit MenuBarExtra(QObject *parent = nullptr);
    MenuBarExtra(UserDefaults &defaults, Commands commands, QObject *parent = nullptr);
    ~MenuBarExtra() override;

    QMenu &menu() const { return *m_menu; }
    // Whether the item is wanted ("showInMenuBar") and a tray host shows it.
    // insertedChanged() follows both, the tray host within trayHostCheckInterval.
    bool isInserted() const;
    static constexpr int trayHostCheckInterval = 1000; // ms
    QSystemTrayIcon &trayIcon() const { return *m_trayIcon; }

signals:
    void insertedChanged();

private:
    void buildMenu();
    void fillRecentDictations();
    QAction *addCommand(const QString &title, std::function<void()> action);
    void updateInsertion();
    void reportInsertion();

    UserDefaults &m_defaults;
    Commands m_commands;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_trayIcon;
    QAction *m_versionAction = nullptr;
    std::unique_ptr<QMenu> m_recentDictations;
    QAction *m_clearHistoryAction = nullptr;
    // Tray hosts come and go without a signal from Qt: looked at now and then.
    QTimer m_trayHostCheck;
    bool m_reportedInserted = false;
};
