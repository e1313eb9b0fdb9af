#pragma once

#include "Launch.h"

#include <QApplication>
#include <QQmlEngine>

#include <functional>
#include <memory>
#include <vector>

class SingleInstance;

// The Sayline program: the application object, the QML engine and the launch
// sequence. main() only constructs it and runs it.
//
// Launch, in order:
//  0. planLaunch() (before the GUI): the command line, a command handed to a
//     running Sayline, the desktop session.
//  1. construction: QApplication (never quits when its last window closes),
//     then the one-per-session check. A second launch hands its command to
//     the running Sayline (a plain launch: start dictation), and run()
//     returns at once.
//  2. the platform adapters are chosen from the session; AppState::shared()
//     is built (engines, shortcuts, output targets); WindowManager::shared()
//     receives the QML engine for the panel content.
//  3. run(): the scenes are built (every builder given to addScene, in order),
//     then, once the event loop runs, dictation starts unless
//     XCODE_RUNNING_FOR_PREVIEWS is "1" (or the settings open, for --settings).
//
// Hook for the tray item and the settings window: call addScene() before
// run() (see the marked block in main.cpp). A scene builder receives this
// MainApp, reaches engine() for QML and installs its window opener with
// WindowManager::shared().setOpenWindow(...); the settings window's
// objectName must be "settings" so that open(settings) can bring it to front.
class MainApp
{
public:
    using SceneBuilder = std::function<void(MainApp &app)>;

    MainApp(int &argc, char **argv, LaunchPlan plan);
    ~MainApp();

    // False for a second launch that handed over to the running Sayline.
    bool isPrimaryInstance() const { return m_primary; }

    QApplication &application() { return m_application; }
    QQmlEngine &engine() { return *m_engine; }

    void addScene(SceneBuilder builder);
    int run();

    // True exactly when XCODE_RUNNING_FOR_PREVIEWS is "1".
    static bool isRunningForPreviews();

private:
    void applicationWillFinishLaunching();
    void applicationDidFinishLaunching();
    // Dictation errors go to stderr, for the terminal or the session log.
    void reportDictationErrors();
    // A command from another launch (`sayline --toggle`, …).
    void runCommand(InstanceCommand command);

    QApplication m_application;
    LaunchPlan m_plan;
    std::unique_ptr<SingleInstance> m_singleInstance;
    std::unique_ptr<QQmlEngine> m_engine;
    std::vector<SceneBuilder> m_sceneBuilders;
    bool m_primary = false;
    int m_handOverStatus = 0;
};
