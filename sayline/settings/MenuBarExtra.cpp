#include "MenuBarExtra.h"

#include "MenuKeyEquivalent.h"

#include <AppState.h>
#include <ApplicationShortcuts.h>
#include <DictationHistory.h>
#include <KeyboardShortcuts.h>
#include <NotificationCenter.h>
#include <UpdateManager.h>
#include <UserDefaults.h>
#include <WindowManager.h>

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

#include <utility>

namespace {
const QString showInMenuBarKey = QStringLiteral("showInMenuBar");
using KeyboardShortcuts::ModifierFlag;
} // namespace

MenuBarExtra::Commands MenuBarExtra::standardCommands()
{
    return {
        [] { AppState::shared().toggleRecordingFromMenu(); },
        [] { WindowManager::shared().open(WindowManager::WindowId::settings); },
        [] { return UpdateManager::shared().currentVersion(); },
        [] { UpdateManager::shared().checkForUpdates(); },
        [] { QCoreApplication::quit(); },
        [] {
            QStringList texts;
            for (const DictationHistory::Entry &entry : AppState::shared().history().entries())
                texts.append(entry.text);
            return texts;
        },
        [](const QString &text) { AppState::shared().copyToPasteboard(text); },
        [] { AppState::shared().history().clear(); },
    };
}

MenuBarExtra::MenuBarExtra(QObject *parent)
    : MenuBarExtra(UserDefaults::standard(), standardCommands(), parent)
{
}

MenuBarExtra::MenuBarExtra(UserDefaults &defaults, Commands commands, QObject *parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_commands(std::move(commands))
    , m_menu(std::make_unique<QMenu>())
    , m_trayIcon(std::make_unique<QSystemTrayIcon>())
    , m_recentDictations(std::make_unique<QMenu>(QStringLiteral("Recent Dictations")))
{
    buildMenu();
    m_trayIcon->setIcon(QIcon(QStringLiteral(":/qt/qml/Sayline/Settings/icons/menubar.svg")));
    m_trayIcon->setToolTip(QStringLiteral("Sayline"));
    m_trayIcon->setContextMenu(m_menu.get());
    connect(m_trayIcon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            m_menu->popup(QCursor::pos());
    });
    // While the menu is open the global shortcuts are matched by the subsystem's
    // menu fallback instead of the grabs.
    connect(m_menu.get(), &QMenu::aboutToShow, this, [] {
        NotificationCenter::defaultCenter().post(KeyboardShortcuts::menuDidBeginTrackingNotification);
    });
    connect(m_menu.get(), &QMenu::aboutToHide, this, [] {
        NotificationCenter::defaultCenter().post(KeyboardShortcuts::menuDidEndTrackingNotification);
    });
    connect(&m_defaults, &UserDefaults::valueChanged, this, [this](const QString &key) {
        if (key == showInMenuBarKey)
            updateInsertion();
    });
    connect(&m_trayHostCheck, &QTimer::timeout, this, &MenuBarExtra::reportInsertion);
    m_trayHostCheck.start(trayHostCheckInterval);
    updateInsertion();
    reportInsertion();
}

MenuBarExtra::~MenuBarExtra() = default;

void MenuBarExtra::buildMenu()
{
    // The dictation toggle shares its combination with the global shortcut;
    // Settings and Quit use Control, as desktop programs here do.
    QAction *startStop = addCommand(QStringLiteral("Start/Stop Recording"), m_commands.startStopRecording);
    setMenuKeyEquivalent(*startStop, QStringLiteral("a"), ModifierFlag::command | ModifierFlag::control);
    KeyboardShortcuts::setMenuItemMirrorsShortcut(*startStop, ApplicationShortcuts::toggleMainWindow().rawValue);
    m_menu->addSeparator();
    QAction *settings = addCommand(QStringLiteral("Settings"), m_commands.openSettings);
    setMenuKeyEquivalent(*settings, QStringLiteral(","), ModifierFlag::control);
    m_menu->addSeparator();
    m_menu->addMenu(m_recentDictations.get());
    m_clearHistoryAction = addCommand(QStringLiteral("Clear History"), m_commands.clearHistory);
    m_menu->addSeparator();
    m_versionAction = m_menu->addAction(QStringLiteral("Version ") + m_commands.currentVersion());
    m_versionAction->setEnabled(false); // shown in the secondary (greyed) style
    addCommand(QStringLiteral("Check for Updates..."), m_commands.checkForUpdates);
    m_menu->addSeparator();
    QAction *quit = addCommand(QStringLiteral("Quit Sayline"), m_commands.quit);
    setMenuKeyEquivalent(*quit, QStringLiteral("q"), ModifierFlag::control);
    // The version can only be known once the updater exists; read it afresh.
    connect(m_menu.get(), &QMenu::aboutToShow, this, [this] {
        m_versionAction->setText(QStringLiteral("Version ") + m_commands.currentVersion());
        fillRecentDictations();
    });
    fillRecentDictations();
}

void MenuBarExtra::fillRecentDictations()
{
    const QStringList texts = m_commands.recentDictations ? m_commands.recentDictations() : QStringList();
    m_recentDictations->clear();
    for (const QString &text : texts) {
        QAction *item = m_recentDictations->addAction(DictationHistory::headline(text).replace(u'&', QStringLiteral("&&")));
        connect(item, &QAction::triggered, this, [this, text] {
            if (m_commands.copyDictation)
                m_commands.copyDictation(text);
        });
    }
    m_recentDictations->menuAction()->setEnabled(!texts.isEmpty());
    m_clearHistoryAction->setEnabled(!texts.isEmpty());
}

QAction *MenuBarExtra::addCommand(const QString &title, std::function<void()> action)
{
    QAction *item = m_menu->addAction(title);
    connect(item, &QAction::triggered, this, [action = std::move(action)] {
        if (action)
            action();
    });
    return item;
}

bool MenuBarExtra::isInserted() const
{
    return m_trayIcon->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

void MenuBarExtra::updateInsertion()
{
    // Shown whenever wanted, tray host or not: Qt docks a shown item as soon as a
    // tray appears, as when the session's panel starts after Sayline at login.
    const bool wanted = m_defaults.boolValue(showInMenuBarKey, true);
    if (wanted == m_trayIcon->isVisible())
        return;
    m_trayIcon->setVisible(wanted);
    reportInsertion();
}

void MenuBarExtra::reportInsertion()
{
    const bool inserted = isInserted();
    if (std::exchange(m_reportedInserted, inserted) != inserted)
        emit insertedChanged();
}
