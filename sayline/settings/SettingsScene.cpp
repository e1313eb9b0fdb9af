#include "SettingsScene.h"

#include <WindowManager.h>

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QtQml/qqmlextensionplugin.h>

#include <cstdio>

// The recorder control's QML module, which the General page uses.
Q_IMPORT_QML_PLUGIN(KeyboardShortcuts_RecorderPlugin)

SettingsScene::SettingsScene(QQmlEngine &engine, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
{
}

SettingsScene::~SettingsScene()
{
    delete m_settingsWindow;
}

void SettingsScene::installInWindowManager()
{
    WindowManager::shared().setOpenWindow([scene = QPointer<SettingsScene>(this)](const QString &identifier) {
        if (scene)
            scene->openWindow(identifier);
    });
}

void SettingsScene::openWindow(const QString &identifier)
{
    if (identifier != QLatin1String("settings"))
        return;
    if (!m_settingsWindow) {
        QQmlComponent component(&m_engine, QUrl(QStringLiteral("qrc:/qt/qml/Sayline/Settings/SettingsWindow.qml")));
        QObject *object = component.create();
        auto *window = qobject_cast<QQuickWindow *>(object);
        if (!window) {
            std::fprintf(stderr, "Sayline: cannot build the settings window: %s\n",
                         qPrintable(component.errorString()));
            delete object;
            return;
        }
        // Closing releases the window; the next open builds new content.
        connect(window, &QWindow::visibleChanged, window, [window] {
            if (!window->isVisible())
                window->deleteLater();
        });
        m_settingsWindow = window;
    }
    m_settingsWindow->show();
}
