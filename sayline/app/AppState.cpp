#include "AppState.h"

#include "Alert.h"
#include "KeyboardInjector.h"
#include "Pasteboard.h"
#include "TranscriptFormattingSettings.h"
#include "WindowManager.h"
#include "Workspace.h"

#include "UserDefaults.h"

#include <QCoreApplication>
#include <QJSEngine>
#include <QtQml/qqml.h>

namespace {

// The engines are reached from QML through AppState's properties; registering
// them lets the QML type system resolve those property types.
void registerEngineTypesForQml()
{
    qmlRegisterAnonymousType<SpeechRecognitionManager>("Sayline.App", 1);
    qmlRegisterAnonymousType<RecordingManager>("Sayline.App", 1);
}
Q_COREAPP_STARTUP_FUNCTION(registerEngineTypesForQml)

} // namespace

AppStateDependencies AppStateDependencies::standard()
{
    AppStateDependencies dependencies;
    dependencies.makeRecordingManager = [] { return std::make_unique<RecordingManager>(); };
    dependencies.makeSpeechRecognitionManager = [] {
        return std::make_unique<SpeechRecognitionManager>(SpeechRecognitionManager::Provider::apple);
    };
    dependencies.pasteboard = makeDefaultPasteboard();
    dependencies.keyboard = makeDefaultKeyboardInjector();
    dependencies.workspace = makeDefaultWorkspace();
    dependencies.alertPresenter = makeDefaultAlertPresenter();
    return dependencies;
}

AppState &AppState::shared()
{
    return shared(AppStateDependencies{});
}

AppState &AppState::shared(AppStateDependencies dependencies)
{
    // Lives for the whole process and is deliberately never destroyed.
    static AppState *instance = new AppState(dependencies.makeSpeechRecognitionManager
                                                 ? std::move(dependencies)
                                                 : AppStateDependencies::standard());
    return *instance;
}

AppState *AppState::create(QQmlEngine *, QJSEngine *)
{
    AppState *instance = &shared();
    QJSEngine::setObjectOwnership(instance, QJSEngine::CppOwnership);
    return instance;
}

AppState::AppState(AppStateDependencies dependencies, QObject *parent)
    : QObject(parent)
    , m_recordingManager(dependencies.makeRecordingManager())
    , m_speechRecognitionManager(dependencies.makeSpeechRecognitionManager())
    , m_outputTargets{OutputTarget::pasteboard}
    , m_pasteboard(std::move(dependencies.pasteboard))
    , m_keyboard(std::move(dependencies.keyboard))
    , m_workspace(std::move(dependencies.workspace))
    , m_alertPresenter(std::move(dependencies.alertPresenter))
    , m_windowManager(dependencies.windowManager ? dependencies.windowManager : &WindowManager::shared())
    , m_modifierReleaseTimeout(dependencies.modifierReleaseTimeout)
    , m_history(dependencies.history ? std::move(dependencies.history)
                                     : std::make_unique<DictationHistory>(DictationHistory::standardFilePath(),
                                                                          UserDefaults::standard()))
{
    // Each dictation starts from and ends with an empty transcript; the
    // history keeps every text in between, delivered or not.
    connect(m_speechRecognitionManager.get(), &SpeechRecognitionManager::transcriptionResultChanged, this,
            [this] { m_history->followDictation(m_speechRecognitionManager->transcriptionResult()); });
    watchDesktopShortcuts(dependencies.desktopShortcuts);
    registerShortcutHandlers();
    followSubmitShortcutHint();
    loadOutputTargets();
    TranscriptFormattingSettings::follow(*m_speechRecognitionManager, UserDefaults::standard());
    scheduleAccessibilityCheck();
}

AppState::~AppState() = default;

void AppState::setOutputTargets(QList<OutputTarget> targets)
{
    if (targets == m_outputTargets)
        return;
    m_outputTargets = std::move(targets);
    emit outputTargetsChanged();
}

QStringList AppState::outputTargetValues() const
{
    QStringList values;
    for (OutputTarget target : m_outputTargets)
        values.append(rawValue(target));
    return values;
}

void AppState::setOutputTargetValues(const QStringList &values)
{
    QList<OutputTarget> targets;
    for (const QString &value : values) {
        if (const auto target = fromRawValue<OutputTarget>(value))
            targets.append(*target);
    }
    setOutputTargets(std::move(targets));
}

void AppState::loadOutputTargets()
{
    // Absent, not text, not valid Unicode, not JSON or naming an unknown
    // target: fall back to the clipboard alone, silently.
    const std::optional<QString> stored = UserDefaults::standard().string(QStringLiteral("outputTargets"));
    if (!stored || !QStringView(*stored).isValidUtf16()) {
        setOutputTargets({OutputTarget::pasteboard});
        return;
    }
    const auto decoded = decodeOutputTargets(stored->toUtf8());
    setOutputTargets(decoded ? *decoded : QList<OutputTarget>{OutputTarget::pasteboard});
}
