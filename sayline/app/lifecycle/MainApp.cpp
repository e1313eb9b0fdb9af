#include "MainApp.h"

#include "AppInfo.h"
#include "Alert.h"
#include "AppState.h"
#include "KeyboardInjector.h"
#include "Pasteboard.h"
#include "Workspace.h"
#include "PlatformAdapters.h"
#include "SingleInstance.h"
#include "WindowManager.h"

#include <QTimer>

#include <cstdio>

MainApp::MainApp(int &argc, char **argv, LaunchPlan plan)
    : m_application(argc, argv)
    , m_plan(std::move(plan))
    , m_singleInstance(std::make_unique<SingleInstance>(SingleInstance::defaultSessionKey()))
{
    QApplication::setApplicationName(AppInfo::name());
    QApplication::setApplicationVersion(AppInfo::version());
    QApplication::setDesktopFileName(AppInfo::applicationId());
    QApplication::setQuitOnLastWindowClosed(false);

    m_primary = m_singleInstance->claim();
    if (!m_primary) {
        // Two processes would fight over the global shortcuts.
        if (!m_singleInstance->sendToRunningInstance(messageFor(m_plan.command))) {
            std::fputs("Sayline is already running but did not answer.\n", stderr);
            m_handOverStatus = 1;
        }
        return;
    }

    m_engine = std::make_unique<QQmlEngine>();
    // Where the statically linked QML modules keep their qmldir files.
    m_engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
    WindowManager::shared().setQmlEngine(m_engine.get());
    AppState::shared(installPlatformAdapters(m_plan.session)).setDesktopSession(m_plan.session);
    reportDictationErrors();
    QObject::connect(m_singleInstance.get(), &SingleInstance::messageReceived, &m_application,
                     [this](const QString &message) {
                         if (const std::optional<InstanceCommand> command = commandFromMessage(message))
                             runCommand(*command);
                     });
}

void MainApp::runCommand(InstanceCommand command)
{
    AppState &state = AppState::shared();
    WindowManager &windows = WindowManager::shared();
    switch (command) {
    case InstanceCommand::launch:
        state.beginDictation();
        break;
    case InstanceCommand::toggle:
        state.handleToggleShortcut();
        break;
    case InstanceCommand::start:
        if (!windows.isMainWindowVisible())
            state.beginDictation();
        break;
    case InstanceCommand::submit:
        if (windows.isMainWindowVisible())
            state.submitDictation();
        break;
    case InstanceCommand::cancel:
        state.handleCloseShortcut();
        break;
    case InstanceCommand::settings:
        windows.open(WindowManager::WindowId::settings);
        break;
    }
}

MainApp::~MainApp()
{
    // The panel's QML content must go before the engine that built it.
    if (m_primary)
        WindowManager::shared().discardMainWindow();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void MainApp::reportDictationErrors()
{
    // The panel has no place for them; without this a missing model or a lost
    // sound server would fail without a word.
    SpeechRecognitionManager &speech = AppState::shared().speechRecognitionManager();
    QObject::connect(&speech, &SpeechRecognitionManager::errorMessageChanged, &m_application, [&speech] {
        if (const std::optional<QString> error = speech.errorMessage())
            std::fprintf(stderr, "Sayline: %s\n", qPrintable(*error));
    });
}

void MainApp::addScene(SceneBuilder builder)
{
    m_sceneBuilders.push_back(std::move(builder));
}

bool MainApp::isRunningForPreviews()
{
    return qEnvironmentVariable("XCODE_RUNNING_FOR_PREVIEWS") == QLatin1String("1");
}

void MainApp::applicationWillFinishLaunching()
{
    // An accessory program: no main window and no taskbar entry; the panel is
    // a tool window and the settings window opens only on request.
    for (const SceneBuilder &build : m_sceneBuilders)
        build(*this);
}

void MainApp::applicationDidFinishLaunching()
{
    if (m_plan.command == InstanceCommand::settings)
        runCommand(InstanceCommand::settings);
    else if (!isRunningForPreviews())
        AppState::shared().beginDictation();
}

int MainApp::run()
{
    if (!m_primary)
        return m_handOverStatus;
    applicationWillFinishLaunching();
    QTimer::singleShot(0, &m_application, [this] { applicationDidFinishLaunching(); });
    return QApplication::exec();
}
