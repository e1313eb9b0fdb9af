#include "SettingsScenes.h"

#include "MenuBarExtra.h"
#include "SettingsScene.h"

#include <MainApp.h>
#include <WindowManager.h>

#include <QtQml/qqmlextensionplugin.h>

// This part's QML module; main() links its plugin.
Q_IMPORT_QML_PLUGIN(Sayline_SettingsPlugin)

void buildSettingsScenes(MainApp &app)
{
    auto *settings = new SettingsScene(app.engine(), &app.application());
    settings->installInWindowManager();
    auto *tray = new MenuBarExtra(&app.application());
    // The panel shows its gear whenever the user cannot see the tray item.
    const auto reportTrayItem = [tray] { WindowManager::shared().setTrayItemVisible(tray->isInserted()); };
    QObject::connect(tray, &MenuBarExtra::insertedChanged, tray, reportTrayItem);
    reportTrayItem();
}
