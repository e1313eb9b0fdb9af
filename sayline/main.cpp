#include "MainApp.h"
#include "SettingsScenes.h"

#include <QQuickWindow>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Sayline_AppPlugin)
Q_IMPORT_QML_PLUGIN(Sayline_DisplayPlugin)
Q_IMPORT_QML_PLUGIN(Sayline_PanelPlugin)

int main(int argc, char *argv[])
{
    // Commands for a running Sayline return here, before any GUI starts.
    LaunchPlan plan = planLaunch(argc, argv);
    if (plan.exitStatus)
        return *plan.exitStatus;

    // The panel draws plain 2D items. Through OpenGL on a machine without a GPU
    // (Xvfb, virtual machines: Mesa's llvmpipe) its first frames take seconds,
    // holding the main thread, and every frame runs a JIT-compiled rasteriser;
    // the software scene graph draws it in milliseconds. QT_QUICK_BACKEND, when
    // set (even empty, for Qt's default), still decides.
    if (!qEnvironmentVariableIsSet("QT_QUICK_BACKEND"))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    MainApp app(argc, argv, std::move(plan));
    // --- scenes: tray item and settings window (app.addScene(...)) ---
    app.addScene(buildSettingsScenes);
    // --- end of scenes ---
    return app.run();
}
