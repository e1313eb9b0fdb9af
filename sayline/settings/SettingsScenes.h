#pragma once

class MainApp;

// The scenes of this part for MainApp::addScene(): the settings window
// (opened through WindowManager::shared().open(settings)) and the tray item
// with its menu. Both live as long as the application object.
void buildSettingsScenes(MainApp &app);
