#include "MainApp.h"
#include "SettingsScenes.h"

#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Sayline_AppPlugin)
Q_IMPORT_QML_PLUGIN(Sayline_DisplayPlugin)
Q_IMPORT_QML_PLUGIN(Sayline_PanelPlugin)

int main(int argc, char *argv[])
{
    MainApp app(argc, argv);
    // --- scenes: tray item and settings window (app.addScene(...)) ---
    app.addScene(buildSettingsScenes);
    // --- end of scenes ---
    return app.run();
}
