#pragma once

#include <QObject>
#include <QPointer>
#include <QQmlEngine>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <memory>

class MainPanel;
class PanelWindowHints;
class QJSEngine;
class QQuickItem;
class QWindow;

// Creates, shows, hides and releases the floating dictation panel, opens the
// other windows by identifier and remembers window positions.
//
// Positions use a bottom-left origin with y growing upwards (the origin is the
// bottom-left corner of the primary screen); MainPanel converts to Qt's
// top-left coordinates at the window. The panel's origin is saved under
// "main.WindowPositionX" / "main.WindowPositionY" in UserDefaults::standard();
// an origin of exactly (0, 0) counts as unset.
//
// The panel exists only while shown: hiding saves its origin, closes it and
// deletes it; the next show builds a new panel with new content.
//
// Content: each new panel asks the content factory for its root item. The
// default factory instantiates the QML type MainView of Sayline.Panel through
// the engine given to setQmlEngine(). Tests install their own factory (for
// example a plain QQuickItem with an implicit size) and need no QML at all.
//
// Other windows: open(settings) calls the opener installed with setOpenWindow()
// with the identifier's raw value ("settings"), then, one event-loop turn
// later, raises and activates the first top-level window whose objectName is
// that identifier. Without an opener nothing happens.
//
// Main thread only.
class WindowManager : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(bool mainWindowVisible READ isMainWindowVisible NOTIFY mainWindowVisibleChanged)
    // Whether the user can see Sayline's tray item (wanted, and a tray host
    // shows it); without it the panel offers its own way to the settings.
    Q_PROPERTY(bool trayItemVisible READ isTrayItemVisible NOTIFY trayItemVisibleChanged)
public:
    enum class WindowId { onboarding, main, settings };
    Q_ENUM(WindowId)

    using ContentFactory = std::function<QQuickItem *(MainPanel &panel)>;
    using OpenWindow = std::function<void(const QString &identifier)>;

    static WindowManager &shared();
    // QML singleton factory: the shared instance, owned by C++.
    static WindowManager *create(QQmlEngine *, QJSEngine *);

    static QString rawValue(WindowId id);

    // No default argument on purpose: a default-constructible QML singleton is
    // built by the engine itself and its create() is never called, so QML
    // would get a second manager instead of shared().
    explicit WindowManager(QObject *parent);
    ~WindowManager() override;

    Q_INVOKABLE void showMainWindow();
    Q_INVOKABLE void hideMainWindow();
    Q_INVOKABLE bool toggleMainWindowVisibility();
    void open(WindowId id);
    // open() by raw value, for QML: "main", "settings" or "onboarding".
    Q_INVOKABLE void open(const QString &identifier);

    // Releases the panel without saving its position, for shutdown.
    void discardMainWindow();

    MainPanel *mainWindow() const { return m_mainWindow.get(); }
    bool isMainWindowVisible() const;

    bool isTrayItemVisible() const { return m_trayItemVisible; }
    void setTrayItemVisible(bool visible);

    void setOpenWindow(OpenWindow openWindow);
    void setContentFactory(ContentFactory factory);
    // The engine that builds the default panel content (Sayline.Panel MainView).
    void setQmlEngine(QQmlEngine *engine);
    QQmlEngine *qmlEngine() const { return m_engine; }

    // The platform hints applied to every new panel (X11 by default).
    void setWindowHints(std::unique_ptr<PanelWindowHints> hints);

    static void saveWindowPosition(const QWindow &window, WindowId id);
    static void restoreWindowPosition(QWindow &window, WindowId id);
    static bool isPointOnAnyScreen(double x, double y);
    static void placeAtDefaultPosition(QWindow &window);
    static void bringToFront(WindowId id);

signals:
    void mainWindowVisibleChanged();
    void trayItemVisibleChanged();

private:
    QQuickItem *createDefaultContent(MainPanel &panel);

    void releaseMainWindow();

    std::unique_ptr<MainPanel> m_mainWindow;
    std::unique_ptr<PanelWindowHints> m_hints;
    OpenWindow m_openWindow;
    ContentFactory m_contentFactory;
    QPointer<QQmlEngine> m_engine;
    bool m_trayItemVisible = false;
};
