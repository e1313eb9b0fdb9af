// The settings window as the program builds it, on a private X display, with
// the real AppState, UpdateManager and defaults store.
#include <AppState.h>
#include <DesktopSession.h>
#include <TranscriptFormattingSettings.h>
#include <KeyboardShortcuts.h>
#include <MenuBarExtra.h>
#include <NotificationCenter.h>
#include <SettingsScene.h>
#include <UpdateManager.h>
#include <UserDefaults.h>
#include <WindowManager.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Sayline_AppPlugin)
Q_IMPORT_QML_PLUGIN(Sayline_SettingsPlugin)

namespace {

QQuickItem *findItem(QQuickItem *root, const QString &objectName)
{
    if (!root)
        return nullptr;
    if (root->objectName() == objectName)
        return root;
    for (QQuickItem *child : root->childItems()) {
        if (QQuickItem *found = findItem(child, objectName))
            return found;
    }
    return nullptr;
}

// Every text shown by a visible Text item under `root`.
QStringList shownTexts(QQuickItem *root)
{
    QStringList texts;
    if (!root || !root->isVisible())
        return texts;
    if (QByteArray(root->metaObject()->className()).startsWith("QQuickText"))
        texts.append(root->property("text").toString());
    for (QQuickItem *child : root->childItems())
        texts.append(shownTexts(child));
    return texts;
}

const QString kPluggedInput = QStringLiteral("plugged_in.monitor");
const QString kNotConnected = QStringLiteral(
    "The chosen microphone is not connected; dictation uses the system default until it is back.");

// Recording streams open on the sound server.
int captures()
{
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), {"list", "short", "source-outputs"});
    pactl.waitForFinished(5000);
    return int(pactl.readAllStandardOutput().count('\n'));
}

// A new device: a null sink, whose monitor is a new input. Returns its module.
QString plugIn()
{
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), {"load-module", "module-null-sink", "sink_name=plugged_in",
                                          "sink_properties=device.description=PluggedIn"});
    pactl.waitForFinished(5000);
    return QString::fromUtf8(pactl.readAllStandardOutput()).trimmed();
}

} // namespace

class SettingsWindowTest : public QObject
{
    Q_OBJECT

private:
    QQmlEngine engine;
    std::unique_ptr<SettingsScene> scene;

    QQuickWindow *window() { return scene->settingsWindow(); }
    QQuickItem *item(const QString &name) { return findItem(window()->contentItem(), name); }
    void click(QQuickItem *target)
    {
        QVERIFY(target);
        const QPointF center = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
        QTest::mouseClick(window(), Qt::LeftButton, {}, center.toPoint());
    }
    void select(const QString &category)
    {
        click(item(QStringLiteral("sidebarRow_") + category));
        QTest::qWait(50);
    }
    QQuickItem *switchOf(const QString &row) { return findItem(item(row), QStringLiteral("switch")); }
    QString pageTitle() { return item(QStringLiteral("pageTitle"))->property("text").toString(); }
    void openSettings()
    {
        WindowManager::shared().open(WindowManager::WindowId::settings);
        QVERIFY(window());
        QVERIFY(QTest::qWaitForWindowExposed(window()));
        QTest::qWait(50);
    }

private slots:
    void initTestCase()
    {
        engine.addImportPath(QStringLiteral("qrc:/qt/qml")); // as the program's engine
        scene = std::make_unique<SettingsScene>(engine);
        scene->installInWindowManager();
        openSettings();
    }

    // Opening again shows the same window, and opening does not start recording.
    void reopeningShowsTheSameWindow()
    {
        QCOMPARE(window()->objectName(), QStringLiteral("settings")); // what the window manager raises
        QQuickWindow *first = window();
        WindowManager::shared().open(WindowManager::WindowId::settings);
        QCOMPARE(window(), first);
        QTRY_VERIFY(window()->isActive());
        QVERIFY(!KeyboardShortcuts::isPaused());
    }

    void generalPageTexts()
    {
        QCOMPARE(pageTitle(), QStringLiteral("General"));
        const QStringList texts = shownTexts(window()->contentItem());
        for (const char *expected :
             {"General", "Interface", "Voice", "Transcription", "About", "Auto Start on Login [Not implemented yet]",
              "Output Targets",
              "Choose where transcribed text should be sent. You can select multiple targets: Pasteboard copies to "
              "clipboard, Auto Insert types directly into the active text field. Auto Insert requires accessibility "
              "permission.",
              "pasteboard", "autoInsert", "Shortcuts", "Toggle Recording", "Cancel"})
            QVERIFY2(texts.contains(QString::fromUtf8(expected)), expected);
        for (const char *category : {"General", "Interface", "Voice", "Transcription", "About"}) {
            QQuickItem *row = item(QStringLiteral("sidebarRow_") + category);
            QVERIFY2(row, category);
            const QList<QObject *> images = row->findChildren<QObject *>(Qt::FindChildrenRecursively);
            const auto icon = std::find_if(images.begin(), images.end(), [](QObject *o) { return o->inherits("QQuickImage"); });
            QVERIFY2(icon != images.end() && (*icon)->property("status").toInt() == 1, category); // Image.Ready
        }
    }

    void autoStartStaysOff()
    {
        click(switchOf(QStringLiteral("autoStartToggle")));
        QTest::qWait(50);
        QVERIFY(!switchOf(QStringLiteral("autoStartToggle"))->property("checked").toBool());
    }

    // Where the compositor owns the shortcuts, the rows give the line to bind
    // in its syntax, and copy it; elsewhere they are recorders.
    void shortcutRowsWhereTheCompositorBindsKeys()
    {
        DesktopSession sway;
        sway.kind = DesktopSession::Kind::wayland;
        sway.compositor = DesktopSession::Compositor::sway;
        AppState::shared().setDesktopSession(sway);
        QTRY_VERIFY(item(QStringLiteral("toggleRecordingBinding"))->isVisible());
        QVERIFY(!item(QStringLiteral("toggleRecordingRecorder"))->isVisible());
        const QString line = QStringLiteral("bindsym --no-repeat Ctrl+Mod4+a exec sayline --toggle");
        QVERIFY(shownTexts(window()->contentItem()).contains(QStringLiteral("Set in your compositor: ") + line));
        click(findItem(item(QStringLiteral("toggleRecordingBinding")), QStringLiteral("copyBindingButton")));
        QTRY_COMPARE(QGuiApplication::clipboard()->text(), line);

        AppState::shared().setDesktopSession(DesktopSession{});
        QTRY_VERIFY(item(QStringLiteral("toggleRecordingRecorder"))->isVisible());
        QVERIFY(!item(QStringLiteral("toggleRecordingBinding"))->isVisible());
    }

    void targetSwitchesSave()
    {
        AppState::shared().setOutputTargets({OutputTarget::pasteboard});
        QTRY_VERIFY(!item(QStringLiteral("accessibilityRow"))->isVisible());
        click(switchOf(QStringLiteral("targetToggle_autoInsert")));
        // XTEST is there on this display, so typing is trusted.
        QTRY_COMPARE(UserDefaults::standard().string(QStringLiteral("outputTargets")),
                     std::optional<QString>(QStringLiteral(R"(["pasteboard","autoInsert"])")));
        QTRY_VERIFY(item(QStringLiteral("accessibilityRow"))->isVisible());
        QCOMPARE(item(QStringLiteral("accessibilityStatus"))->property("text").toString(),
                 QStringLiteral("Accessibility permission granted"));
        QVERIFY(!item(QStringLiteral("openSettingsButton"))->isVisible());
        QVERIFY(item(QStringLiteral("refreshButton"))->isVisible());
        QCOMPARE(item(QStringLiteral("refreshButton"))->property("text").toString(), QStringLiteral("Refresh"));
        QCOMPARE(item(QStringLiteral("openSettingsButton"))->property("text").toString(), QStringLiteral("Open Settings"));
        click(switchOf(QStringLiteral("targetToggle_pasteboard")));
        click(switchOf(QStringLiteral("targetToggle_autoInsert")));
        QTRY_COMPARE(UserDefaults::standard().string(QStringLiteral("outputTargets")),
                     std::optional<QString>(QStringLiteral("[]")));
        QVERIFY(!switchOf(QStringLiteral("targetToggle_pasteboard"))->property("checked").toBool());
    }

    // The switches and the replacement list reach the engine for the next dictation.
    void transcriptionPageSetsTheNextDictationsFormatting()
    {
        select(QStringLiteral("Transcription"));
        QCOMPARE(pageTitle(), QStringLiteral("Transcription"));
        QVERIFY(item(QStringLiteral("sidebarRow_Transcription"))->property("selected").toBool());
        SpeechRecognitionManager &manager = AppState::shared().speechRecognitionManager();
        const auto formatting = [&] { return manager.transcriptFormatting().value_or(TranscriptFormatting{false, false, false, {}}); };
        QCOMPARE(formatting(), TranscriptFormatting{});
        using Switch = bool TranscriptFormatting::*;
        const QList<std::tuple<const char *, const char *, Switch>> switches{
            {"spokenPunctuationToggle", TranscriptFormattingSettings::spokenPunctuationKey, &TranscriptFormatting::spokenPunctuation},
            {"automaticCapitalsToggle", TranscriptFormattingSettings::capitalsKey, &TranscriptFormatting::capitals},
            {"numbersAsDigitsToggle", TranscriptFormattingSettings::numbersKey, &TranscriptFormatting::numbers}};
        for (const auto &[row, key, member] : switches) {
            QVERIFY2(switchOf(row)->property("checked").toBool(), row);
            click(switchOf(row));
            QCOMPARE(UserDefaults::standard().boolean(key), std::optional<bool>(false));
            QVERIFY2(!(formatting().*member), row);
            QVERIFY2(!switchOf(row)->property("checked").toBool(), row);
            click(switchOf(row));
            QVERIFY2(formatting().*member, row);
        }

        // Add, edit, remove.
        const auto typeInto = [&](QQuickItem *field, const char *text) {
            click(field);
            QTest::keyClick(window(), Qt::Key_A, Qt::ControlModifier);
            for (const char *c = text; *c; ++c)
                QTest::keyClick(window(), *c);
        };
        QVERIFY(!item(QStringLiteral("addButton"))->isEnabled());
        typeInto(item(QStringLiteral("newSpokenField")), "say line");
        typeInto(item(QStringLiteral("newWrittenField")), "Sayline");
        click(item(QStringLiteral("addButton")));
        QTRY_COMPARE(formatting().replacements, (QList<TextReplacement>{{"say line", "Sayline"}}));
        QCOMPARE(UserDefaults::standard().string(TranscriptFormattingSettings::replacementsKey),
                 std::optional<QString>(R"([{"spoken":"say line","written":"Sayline"}])"));
        QTRY_VERIFY(item(QStringLiteral("replacement_0")));
        QCOMPARE(item(QStringLiteral("newSpokenField"))->property("text").toString(), QString());
        typeInto(findItem(item(QStringLiteral("replacement_0")), QStringLiteral("writtenField")), "SayLine");
        QTest::keyClick(window(), Qt::Key_Return);
        QTRY_COMPARE(formatting().replacements, (QList<TextReplacement>{{"say line", "SayLine"}}));
        click(findItem(item(QStringLiteral("replacement_0")), QStringLiteral("removeButton")));
        QTRY_VERIFY(formatting().replacements.isEmpty());
        QTRY_VERIFY(!item(QStringLiteral("replacement_0")));
    }

    void voicePageOffersTheSoundServersInputsAndTheFirstPrompt()
    {
        select(QStringLiteral("Voice"));
        QCOMPARE(pageTitle(), QStringLiteral("Voice"));
        // "System default", then the virtual microphone of this test's sound server.
        QTRY_COMPARE(item(QStringLiteral("inputChoice"))->property("count").toInt(), 2);
        QVERIFY(shownTexts(window()->contentItem()).contains(QStringLiteral("System default")));
        QCOMPARE(item(QStringLiteral("promptText"))->property("text").toString(),
                 QStringLiteral("Hi Sarah comma thanks for your message period"));
        // Each language with the model folder it comes from.
        const QStringList texts = shownTexts(item(QStringLiteral("language_en-US")));
        QVERIFY2(texts.size() == 2 && texts[0].contains("[en-US]") && texts[1].endsWith("/en-us"),
                 qPrintable(texts.join(" | ")));
    }

    // While the page is shown the selected input is measured (a capture of the sound server's),
    // and the inputs follow devices plugged in and out; the capture ends with the page.
    void voicePageFollowsTheInputsLive()
    {
        select(QStringLiteral("Voice"));
        QTRY_COMPARE(captures(), 1);
        QQuickItem *meter = item(QStringLiteral("inputLevel"));
        QCOMPARE(meter->property("value").toDouble(), 0.0);
        QProcess speech;
        speech.start(QStringLiteral(SAY_INTO_MIC), {"the level rises while I speak"});
        QTRY_VERIFY_WITH_TIMEOUT(meter->property("value").toDouble() > 0.05, 15000);
        QVERIFY(speech.waitForFinished(30000));

        // A device plugged in shows without the list being opened; chosen, then unplugged,
        // the page says so at once, and stops saying it when the device is back.
        QQuickItem *choice = item(QStringLiteral("inputChoice"));
        const int before = choice->property("count").toInt();
        QString module = plugIn();
        QTRY_COMPARE(choice->property("count").toInt(), before + 1);
        int index = -1;
        QMetaObject::invokeMethod(choice, "indexOfValue", Q_RETURN_ARG(int, index), Q_ARG(QVariant, kPluggedInput));
        QVERIFY(index > 0);
        choice->setProperty("currentIndex", index);
        QMetaObject::invokeMethod(choice, "activated", Q_ARG(int, index));
        QCOMPARE(UserDefaults::standard().string(QStringLiteral("audioInput")), std::optional(kPluggedInput));
        const auto warned = [&] { return shownTexts(window()->contentItem()).contains(kNotConnected); };
        QVERIFY(!warned());
        QCOMPARE(QProcess::execute("pactl", {"unload-module", module}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(warned(), 5000);
        module = plugIn();
        QTRY_VERIFY_WITH_TIMEOUT(!warned(), 5000);
        QTRY_COMPARE(captures(), 1);
        QCOMPARE(QProcess::execute("pactl", {"unload-module", module}), 0);
        UserDefaults::standard().remove(QStringLiteral("audioInput"));

        select(QStringLiteral("General"));
        QTRY_COMPARE(captures(), 0);
    }

    void interfacePageIsBoundToTheDefaults()
    {
        select(QStringLiteral("Interface"));
        QCOMPARE(pageTitle(), QStringLiteral("Interface"));
        const QStringList texts = shownTexts(window()->contentItem());
        for (const char *expected : {"Show in Menu Bar", "Recoding", "Show Realtime Transcription"})
            QVERIFY2(texts.contains(QString::fromUtf8(expected)), expected);

        UserDefaults::standard().remove(QStringLiteral("showInMenuBar"));
        QTRY_VERIFY(switchOf(QStringLiteral("showInMenuBarToggle"))->property("checked").toBool());
        click(switchOf(QStringLiteral("showInMenuBarToggle")));
        QCOMPARE(UserDefaults::standard().boolean(QStringLiteral("showInMenuBar")), std::optional<bool>(false));
        // A change made elsewhere (the panel, the tray) shows here at once.
        UserDefaults::standard().setBool(QStringLiteral("showInMenuBar"), true);
        QTRY_VERIFY(switchOf(QStringLiteral("showInMenuBarToggle"))->property("checked").toBool());
        click(switchOf(QStringLiteral("showRealtimeTranscriptionToggle")));
        QCOMPARE(UserDefaults::standard().boolean(QStringLiteral("showRealtimeTranscription")),
                 std::optional<bool>(false));
    }

    void aboutPageAppliesTheStoredUpdatePreference()
    {
        UpdateManager &updates = UpdateManager::shared();
        UserDefaults::standard().setBool(QStringLiteral("automaticallyCheckForUpdates"), false);
        updates.setAutomaticallyChecksForUpdates(true);
        select(QStringLiteral("About"));
        QCOMPARE(pageTitle(), QStringLiteral("About"));
        // Appearing brings the updater in line with the stored value.
        QVERIFY(!updates.automaticallyChecksForUpdates());
        const QStringList texts = shownTexts(window()->contentItem());
        for (const char *expected : {"Version", "Updates", "Check for updates automatically",
                                     "Automatic updates help keep Sayline secure and up-to-date with the latest features."})
            QVERIFY2(texts.contains(QString::fromUtf8(expected)), expected);
        QCOMPARE(item(QStringLiteral("checkForUpdatesButton"))->property("text").toString(),
                 QStringLiteral("Check for Updates..."));

        click(switchOf(QStringLiteral("automaticUpdatesToggle")));
        QCOMPARE(UserDefaults::standard().boolean(QStringLiteral("automaticallyCheckForUpdates")), std::optional<bool>(true));
        QVERIFY(updates.automaticallyChecksForUpdates());
    }

    void closingReleasesTheWindowAndReopeningStartsAtGeneral()
    {
        QPointer<QQuickWindow> closed = window();
        closed->close();
        QTRY_VERIFY(closed.isNull());
        openSettings();
        QCOMPARE(pageTitle(), QStringLiteral("General"));
        QVERIFY(item(QStringLiteral("sidebarRow_General"))->property("selected").toBool());
    }

    void trayMenuItems()
    {
        QStringList calls;
        MenuBarExtra::Commands commands{
            [&] { calls << "startStop"; }, [&] { calls << "settings"; }, [] { return QStringLiteral("1.2.3"); },
            [&] { calls << "check"; }, [&] { calls << "quit"; },
            [] { return QStringList{"one two three four five six seven", "Tom & Jerry"}; },
            [&](const QString &text) { calls << "copy " + text; }, [&] { calls << "clear"; }};
        UserDefaults::standard().setBool(QStringLiteral("showInMenuBar"), true);
        MenuBarExtra extra(UserDefaults::standard(), commands);
        // This display has no tray host: nothing is shown, and that is all.
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
        QVERIFY(!extra.isInserted());
        const QList<QAction *> items = extra.menu().actions();
        QStringList titles;
        for (QAction *action : items) {
            titles << (action->isSeparator() ? QStringLiteral("-") : action->text());
        }
        QCOMPARE(titles, (QStringList{"Start/Stop Recording", "-", "Settings", "-", "Recent Dictations", "Clear History",
                                      "-", "Version 1.2.3", "Check for Updates...", "-", "Quit Sayline"}));
        QCOMPARE(items.at(0)->shortcut(), QKeySequence(Qt::ControlModifier | Qt::MetaModifier | Qt::Key_A));
        QCOMPARE(items.at(2)->shortcut(), QKeySequence(Qt::ControlModifier | Qt::Key_Comma));
        QCOMPARE(items.at(10)->shortcut(), QKeySequence(Qt::ControlModifier | Qt::Key_Q));
        QVERIFY(!items.at(7)->isEnabled());
        // The recent dictations by their first words; choosing one copies its whole text.
        const QList<QAction *> recent = items.at(4)->menu()->actions();
        QCOMPARE(recent.size(), 2);
        QCOMPARE(recent.at(0)->text(), QStringLiteral("one two three four five six…"));
        QCOMPARE(recent.at(1)->text(), QStringLiteral("Tom && Jerry"));
        recent.at(0)->trigger();
        for (int index : {0, 2, 5, 8, 10})
            items.at(index)->trigger();
        QCOMPARE(calls, (QStringList{"copy one two three four five six seven", "startStop", "settings", "clear", "check", "quit"}));

        // Opening and closing the menu is menu tracking for the global shortcuts.
        QStringList tracking;
        for (const QString &name : {KeyboardShortcuts::menuDidBeginTrackingNotification,
                                    KeyboardShortcuts::menuDidEndTrackingNotification})
            NotificationCenter::defaultCenter().addObserver(name, &extra, [&](const Notification &n) { tracking << n.name; });
        extra.menu().popup(QPoint(100, 100));
        QTRY_VERIFY(extra.menu().isVisible());
        extra.menu().hide();
        QCOMPARE(tracking, (QStringList{KeyboardShortcuts::menuDidBeginTrackingNotification,
                                        KeyboardShortcuts::menuDidEndTrackingNotification}));
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    SettingsWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settings_window.moc"
