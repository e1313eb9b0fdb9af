#include "SettingsScenes.h"

#include "MenuBarExtra.h"
#include "SettingsScene.h"

#include <MainApp.h>

#include <QtQml/qqmlextensionplugin.h>

// This part's QML module; main() links its plugin.
Q_IMPORT_QML_PLUGIN(Sayline_SettingsPlugin)

void buildSettingsScenes(MainApp &app)
{
    auto *settings = new SettingsScene(app.engine(), &app.application());
    settings->installInWindowManager();
    new MenuBarExtra(&app.application());
}
