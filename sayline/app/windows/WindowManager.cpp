#include "WindowManager.h"

#include "MainPanel.h"
#include "PanelWindowHints.h"
#include "ScreenSpace.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <utility>

namespace {
const QString positionXSuffix = QStringLiteral(".WindowPositionX");
const QString positionYSuffix = QStringLiteral(".WindowPositionY");

void centre(QWindow &window, const QScreen *screen)
{
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    window.setPosition(area.x() + (area.width() - window.width()) / 2,
                       area.y() + (area.height() - window.height()) / 2);
}
} // namespace

WindowManager &WindowManager::shared()
{
    static WindowManager *instance = new WindowManager(nullptr);
    return *instance;
}

WindowManager *WindowManager::create(QQmlEngine *, QJSEngine *)
{
    WindowManager *manager = &shared();
    QQmlEngine::setObjectOwnership(manager, QQmlEngine::CppOwnership);
    return manager;
}

QString WindowManager::rawValue(WindowId id)
{
    switch (id) {
    case WindowId::onboarding:
        return QStringLiteral("onboarding");
    case WindowId::main:
        return QStringLiteral("main");
    case WindowId::settings:
        return QStringLiteral("settings");
    }
    return {};
}

WindowManager::WindowManager(QObject *parent)
    : QObject(parent)
    , m_hints(PanelWindowHints::platformHints())
{
}

WindowManager::~WindowManager()
{
    m_mainWindow.reset();
}

void WindowManager::setTrayItemVisible(bool visible)
{
    if (std::exchange(m_trayItemVisible, visible) != visible)
        emit trayItemVisibleChanged();
}

void WindowManager::setOpenWindow(OpenWindow openWindow)
{
    m_openWindow = std::move(openWindow);
}

void WindowManager::setContentFactory(ContentFactory factory)
{
    m_contentFactory = std::move(factory);
}

void WindowManager::setQmlEngine(QQmlEngine *engine)
{
    m_engine = engine;
}

void WindowManager::setWindowHints(std::unique_ptr<PanelWindowHints> hints)
{
    m_hints = std::move(hints);
}

bool WindowManager::isMainWindowVisible() const
{
    return m_mainWindow && m_mainWindow->isVisible();
}

void WindowManager::showMainWindow()
{
    if (isMainWindowVisible())
        return;
    if (!m_mainWindow) {
        const MainPanel::ContentFactory factory = m_contentFactory
            ? m_contentFactory
            : MainPanel::ContentFactory([this](MainPanel &panel) { return createDefaultContent(panel); });
        m_mainWindow = std::make_unique<MainPanel>(factory, m_hints.get());
        restoreWindowPosition(*m_mainWindow, WindowId::main);
    }
    m_mainWindow->orderFront();
    emit mainWindowVisibleChanged();
}

void WindowManager::hideMainWindow()
{
    if (!m_mainWindow)
        return;
    saveWindowPosition(*m_mainWindow, WindowId::main);
    releaseMainWindow();
    emit mainWindowVisibleChanged();
}

void WindowManager::discardMainWindow()
{
    if (!m_mainWindow)
        return;
    releaseMainWindow();
    emit mainWindowVisibleChanged();
}

void WindowManager::releaseMainWindow()
{
    // The panel may be hidden from one of its own item's handlers (Submit,
    // Escape), so it is closed now and deleted once control is back in the
    // event loop.
    MainPanel *panel = m_mainWindow.release();
    panel->close();
    panel->deleteLater();
}

bool WindowManager::toggleMainWindowVisibility()
{
    if (isMainWindowVisible()) {
        hideMainWindow();
        return false;
    }
    showMainWindow();
    return true;
}

void WindowManager::open(WindowId id)
{
    if (id == WindowId::main) {
        showMainWindow();
        return;
    }
    if (!m_openWindow)
        return;
    m_openWindow(rawValue(id));
    QMetaObject::invokeMethod(this, [id] { bringToFront(id); }, Qt::QueuedConnection);
}

void WindowManager::open(const QString &identifier)
{
    for (WindowId id : {WindowId::onboarding, WindowId::main, WindowId::settings}) {
        if (rawValue(id) == identifier) {
            open(id);
            return;
        }
    }
}

void WindowManager::bringToFront(WindowId id)
{
    const QString identifier = rawValue(id);
    for (QWindow *window : QGuiApplication::topLevelWindows()) {
        if (window->objectName() == identifier) {
            window->raise();
            window->requestActivate();
            return;
        }
    }
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == identifier) {
            widget->raise();
            widget->activateWindow();
            return;
        }
    }
}

void WindowManager::saveWindowPosition(const QWindow &window, WindowId id)
{
    const QPointF origin = ScreenSpace::frameOrigin(window);
    UserDefaults &defaults = UserDefaults::standard();
    defaults.setDouble(rawValue(id) + positionXSuffix, origin.x());
    defaults.setDouble(rawValue(id) + positionYSuffix, origin.y());
}

void WindowManager::restoreWindowPosition(QWindow &window, WindowId id)
{
    const UserDefaults &defaults = UserDefaults::standard();
    const double x = defaults.doubleValue(rawValue(id) + positionXSuffix, 0.0);
    const double y = defaults.doubleValue(rawValue(id) + positionYSuffix, 0.0);
    if (!(x == 0 && y == 0) && isPointOnAnyScreen(x, y)) {
        ScreenSpace::setFrameOrigin(window, QPointF(x, y));
        return;
    }
    if (id == WindowId::main)
        placeAtDefaultPosition(window);
    else
        centre(window, ScreenSpace::mainScreen());
}

bool WindowManager::isPointOnAnyScreen(double x, double y)
{
    for (const QScreen *screen : QGuiApplication::screens()) {
        if (ScreenSpace::contains(ScreenSpace::visibleFrame(*screen), QPointF(x, y)))
            return true;
    }
    return false;
}

void WindowManager::placeAtDefaultPosition(QWindow &window)
{
    const QScreen *screen = ScreenSpace::mainScreen();
    if (!screen)
        return;
    const QRectF visible = ScreenSpace::visibleFrame(*screen);
    ScreenSpace::setFrameOrigin(window, QPointF(visible.x() + (visible.width() - window.width()) * 0.5,
                                                visible.y() + 80));
}

QQuickItem *WindowManager::createDefaultContent(MainPanel &panel)
{
    if (!m_engine) {
        std::fputs("WindowManager: no QML engine for the panel content\n", stderr);
        return nullptr;
    }
    QQmlComponent component(m_engine, QUrl(QStringLiteral("qrc:/qt/qml/Sayline/Panel/MainView.qml")));
    QObject *object = component.beginCreate(m_engine->rootContext());
    auto *item = qobject_cast<QQuickItem *>(object);
    if (!item) {
        std::fprintf(stderr, "WindowManager: cannot build the panel content: %s\n",
                     qPrintable(component.errorString()));
        delete object;
        return nullptr;
    }
    QQmlEngine::setObjectOwnership(item, QQmlEngine::CppOwnership);
    item->setParentItem(panel.contentItem());
    component.completeCreate();
    return item;
}
