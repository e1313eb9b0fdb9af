#pragma once

#include "AppState.h"
#include "DeliveryFakes.h"
#include "EngineFakes.h"
#include "PanelWindowHints.h"
#include "WindowManager.h"

#include <QApplication>
#include <QQuickItem>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// An AppState on fakes, with a real WindowManager whose panel holds a plain
// item. Everything observable lands in one ordered event list:
//   "panel shown" / "panel hidden"         window manager
//   "transcribing" / "idle"                manager's isTranscribing
//   "transcript <text>"                    manager's transcriptionResult
//   "listen <locale>" / "listening ended"  recognition provider
//   "pasteboard clear" / "pasteboard set <text>" / "type <text>" / "open <url>" / "alert <message>"
class AppStateHarness
{
public:
    std::shared_ptr<DeliveryProbe> probe = std::make_shared<DeliveryProbe>();
    std::shared_ptr<ProviderProbe> provider = std::make_shared<ProviderProbe>();
    std::unique_ptr<WindowManager> windows;
    std::unique_ptr<AppState> appState;
    std::chrono::milliseconds modifierReleaseTimeout{10000};

    AppStateHarness() { provider->events = &probe->events; }
    ~AppStateHarness()
    {
        appState.reset();
        windows.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Builds the AppState; set the probe's answers and the defaults first.
    AppState &start()
    {
        windows = std::make_unique<WindowManager>(nullptr);
        windows->setWindowHints(std::make_unique<NoPanelHints>());
        windows->setContentFactory([](MainPanel &) {
            auto *content = new QQuickItem;
            content->setImplicitWidth(400);
            content->setImplicitHeight(120);
            return content;
        });
        QObject::connect(windows.get(), &WindowManager::mainWindowVisibleChanged, windows.get(), [this] {
            record(windows->isMainWindowVisible() ? QStringLiteral("panel shown") : QStringLiteral("panel hidden"));
        });

        AppStateDependencies dependencies;
        dependencies.makeRecordingManager = [] {
            return std::make_unique<RecordingManager>(std::make_shared<GrantedMicrophone>(), nullptr, nullptr, nullptr);
        };
        dependencies.makeSpeechRecognitionManager = [this] {
            auto manager = std::make_unique<SpeechRecognitionManager>(std::make_unique<FakeSpeechProvider>(provider),
                                                                      std::make_shared<GrantedMicrophone>());
            SpeechRecognitionManager *observed = manager.get();
            QObject::connect(observed, &SpeechRecognitionManager::isTranscribingChanged, observed, [this, observed] {
                record(observed->isTranscribing() ? QStringLiteral("transcribing") : QStringLiteral("idle"));
            });
            QObject::connect(observed, &SpeechRecognitionManager::transcriptionResultChanged, observed,
                             [this, observed] { record(QStringLiteral("transcript ") + observed->transcriptionResult()); });
            return manager;
        };
        dependencies.pasteboard = std::make_unique<FakePasteboard>(probe);
        dependencies.keyboard = std::make_unique<FakeKeyboardInjector>(probe);
        dependencies.workspace = std::make_unique<FakeWorkspace>(probe);
        dependencies.alertPresenter = std::make_unique<FakeAlertPresenter>(probe);
        dependencies.windowManager = windows.get();
        dependencies.modifierReleaseTimeout = modifierReleaseTimeout;
        appState = std::make_unique<AppState>(std::move(dependencies));
        return *appState;
    }

    SpeechRecognitionManager &manager() { return appState->speechRecognitionManager(); }
    QStringList &events() { return probe->events; }
    // The events without those starting with one of `prefixes`.
    QStringList eventsWithout(const QStringList &prefixes) const
    {
        QStringList kept;
        for (const QString &event : probe->events) {
            if (std::none_of(prefixes.begin(), prefixes.end(), [&](const QString &p) { return event.startsWith(p); }))
                kept.append(event);
        }
        return kept;
    }

private:
    class NoPanelHints final : public PanelWindowHints
    {
    public:
        void applyPanelHints(QWindow &) override {}
        bool hasCompositor() override { return true; }
    };

    void record(const QString &event) { probe->events.append(event); }
};

// A QtTest main for AppState tests: private, empty configuration and data
// folders for the user defaults and the history (set before first use), the offscreen
// platform unless the caller chose another, and the test report on stderr.
#define APP_STATE_TEST_MAIN(TestClass)                                                                                 \
    int main(int argc, char *argv[])                                                                                   \
    {                                                                                                                  \
        QTemporaryDir configHome;                                                                                      \
        qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());                                                   \
        QTemporaryDir dataHome;                                                                                        \
        qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());                                                       \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                                                            \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                                                   \
        QApplication app(argc, argv);                                                                                  \
        TestClass test;                                                                                                \
        /* QtTest reports on stderr: stdout is what the tests capture and read. */                                     \
        QStringList arguments = app.arguments();                                                                       \
        if (!arguments.contains(QStringLiteral("-o")))                                                                 \
            arguments << QStringLiteral("-o") << QStringLiteral("/dev/stderr,txt");                                    \
        return QTest::qExec(&test, arguments);                                                                         \
    }
