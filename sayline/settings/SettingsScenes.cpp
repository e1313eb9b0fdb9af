#include "SettingsScenes.h"

#include "MenuBarExtra.h"
#include "SettingsScene.h"

#include <MainApp.h>

void buildSettingsScenes(MainApp &app)
{
    auto *settings = new SettingsScene(app.engine(), &app.application());
    settings->installInWindowManager();
    new MenuBarExtra(&app.application());
}
