#include "MainPanel.h"
#include "PanelWindowHints.h"
#include "UserDefaults.h"
#include "WindowManager.h"

#include <QGuiApplication>
#include <QPointer>
#include <QProcess>
#include <QQuickItem>
#include <QScreen>
#include <QTest>
#include <QWindow>

namespace {
// Records which windows were given the panel hints, and whether they were
// still unmapped then.
class RecordingHints : public PanelWindowHints
{
public:
    struct Call
    {
        QWindow *window;
        bool wasVisible;
    };
    std::vector<Call> *calls;
    bool composited = true;

    explicit RecordingHints(std::vector<Call> *record) : calls(record) {}
    void applyPanelHints(QWindow &window) override { calls->push_back({&window, window.isVisible()}); }
    bool hasCompositor() override { return composited; }
};

constexpr int contentWidth = 400;
constexpr int contentHeight = 120;

QString xprop(QWindow &window, const QString &property)
{
    QProcess process;
    process.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window.winId()), property});
    process.waitForFinished(5000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}
} // namespace

class WindowManagerTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowManager> manager;
    std::vector<RecordingHints::Call> hintCalls;
    QPointer<QQuickItem> lastContent;

    QRect screen() const { return QGuiApplication::primaryScreen()->availableGeometry(); }
    int screenBottom() const
    {
        const QRect g = QGuiApplication::primaryScreen()->geometry();
        return g.y() + g.height();
    }
    QPoint defaultTopLeft(int width = contentWidth, int height = contentHeight) const
    {
        const QRect v = screen();
        return QPoint(qRound(v.x() + (v.width() - width) * 0.5), v.y() + v.height() - 80 - height);
    }

private slots:
    void init()
    {
        for (const QString &key : UserDefaults::standard().keys())
            UserDefaults::standard().remove(key);
        hintCalls.clear();
        manager = std::make_unique<WindowManager>(nullptr);
        manager->setWindowHints(std::make_unique<RecordingHints>(&hintCalls));
        manager->setContentFactory([this](MainPanel &) {
            auto *item = new QQuickItem;
            item->setImplicitWidth(contentWidth);
            item->setImplicitHeight(contentHeight);
            lastContent = item;
            return item;
        });
    }

    void cleanup()
    {
        manager.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Centred, 80 px above the bottom, given the panel hints once before it is mapped.
    void firstShowIsCentredAboveTheBottom()
    {
        manager->showMainWindow();
        MainPanel *panel = manager->mainWindow();
        QVERIFY(panel);
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->size(), QSize(contentWidth, contentHeight));
        QCOMPARE(panel->position(), defaultTopLeft());
        QCOMPARE(hintCalls.size(), std::size_t(1));
        QCOMPARE(hintCalls[0].window, static_cast<QWindow *>(panel));
        QVERIFY(!hintCalls[0].wasVisible);
    }

    void hidingSavesTheOriginAndShowingRestoresIt()
    {
        manager->showMainWindow();
        // The user drags the panel to the upper left.
        manager->mainWindow()->setPosition(100, 200);
        manager->hideMainWindow();
        QVERIFY(!manager->mainWindow());
        QVERIFY(!manager->isMainWindowVisible());

        // Stored bottom-left based: y is the distance of the lower edge from the screen's bottom.
        QCOMPARE(UserDefaults::standard().number(QStringLiteral("main.WindowPositionX")), std::optional<double>(100));
        QCOMPARE(UserDefaults::standard().number(QStringLiteral("main.WindowPositionY")),
                 std::optional<double>(screenBottom() - 200 - contentHeight));

        manager->showMainWindow();
        QCOMPARE(manager->mainWindow()->position(), QPoint(100, 200));
    }

    void savedOrigin_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("unset (0, 0)") << 0.0 << 0.0 << defaultTopLeft();
        QTest::newRow("off every screen") << 5000.0 << 5000.0 << defaultTopLeft();
        QTest::newRow("left of every screen") << -30.0 << 300.0 << defaultTopLeft();
        // Only both coordinates 0 mark an unset origin.
        QTest::newRow("on the screen edge") << 0.0 << 5.0 << QPoint(0, screenBottom() - 5 - contentHeight);
    }

    void savedOrigin()
    {
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(QPoint, expected);
        UserDefaults::standard().setDouble(QStringLiteral("main.WindowPositionX"), x);
        UserDefaults::standard().setDouble(QStringLiteral("main.WindowPositionY"), y);
        manager->showMainWindow();
        QCOMPARE(manager->mainWindow()->position(), expected);
    }

    void contentSizeChangeRecentresAtEightyFromTheBottom()
    {
        manager->showMainWindow();
        MainPanel *panel = manager->mainWindow();
        panel->setPosition(50, 60);
        lastContent->setImplicitWidth(500);
        QCOMPARE(panel->size(), QSize(500, contentHeight));
        const QRect v = screen();
        QCOMPARE(panel->position(),
                 QPoint(qRound(v.x() + (v.width() - 500) * 0.5), screenBottom() - 80 - contentHeight));
        lastContent->setImplicitHeight(150);
        QCOMPARE(panel->size(), QSize(500, 150));
        QCOMPARE(panel->y(), screenBottom() - 80 - 150);
    }

    void showingWhileVisibleChangesNothing()
    {
        manager->showMainWindow();
        MainPanel *panel = manager->mainWindow();
        panel->setPosition(300, 300);
        manager->showMainWindow();
        QCOMPARE(manager->mainWindow(), panel);
        QCOMPARE(panel->position(), QPoint(300, 300));
        QCOMPARE(hintCalls.size(), std::size_t(1));
    }

    void hidingReleasesThePanelAndItsContent()
    {
        manager->showMainWindow();
        QPointer<MainPanel> panel = manager->mainWindow();
        QPointer<QQuickItem> content = lastContent;
        manager->hideMainWindow();
        QVERIFY(!manager->mainWindow());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(panel.isNull());
        QVERIFY(content.isNull());

        // The next show builds a new panel with new content.
        manager->showMainWindow();
        QVERIFY(manager->mainWindow());
        QVERIFY(lastContent);
        QVERIFY(lastContent != content);
        QCOMPARE(hintCalls.size(), std::size_t(2));
    }

    void discardingAtShutdownSavesNoPosition()
    {
        manager->showMainWindow();
        manager->mainWindow()->setPosition(10, 10);
        manager->discardMainWindow();
        QVERIFY(!manager->mainWindow());
        QVERIFY(!UserDefaults::standard().contains(QStringLiteral("main.WindowPositionX")));
    }

    void openingWithoutAnOpener()
    {
        manager->open(WindowManager::WindowId::settings);
        QCoreApplication::processEvents();
        QVERIFY(!manager->mainWindow());
        manager->open(WindowManager::WindowId::main);
        QVERIFY(manager->isMainWindowVisible());
    }

    void openingSettingsCallsTheOpenerThenBringsTheWindowToFront()
    {
        QStringList opened;
        std::unique_ptr<QWindow> settings;
        manager->setOpenWindow([&](const QString &identifier) {
            opened << identifier;
            // Scene windows are often created only after the opener returns.
            QMetaObject::invokeMethod(
                qApp,
                [&] {
                    settings = std::make_unique<QWindow>();
                    settings->setObjectName(QStringLiteral("settings"));
                    settings->resize(200, 100);
                    settings->show();
                },
                Qt::QueuedConnection);
        });
        manager->open(QStringLiteral("settings"));
        QCOMPARE(opened, QStringList{QStringLiteral("settings")});
        QTRY_VERIFY(settings);
        QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::focusWindow(), settings.get(), 3000);
    }

    void withoutCompositorThePanelIsClippedToItsRoundedShape()
    {
        auto hints = std::make_unique<RecordingHints>(&hintCalls);
        hints->composited = false;
        manager->setWindowHints(std::move(hints));
        manager->showMainWindow();
        MainPanel *panel = manager->mainWindow();
        QVERIFY(!panel->isComposited());
        const QRegion mask = panel->mask();
        QVERIFY(!mask.contains(QPoint(0, 0)));
        QVERIFY(!mask.contains(QPoint(contentWidth - 1, contentHeight - 1)));
        QVERIFY(mask.contains(QPoint(contentWidth / 2, 0)));
        QVERIFY(mask.contains(QPoint(8, 8)));
    }

    void x11HintsPutThePanelOnAllDesktopsWithoutFocus()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QFAIL("this test needs an X display (run it through with-services --x)");
        manager->setWindowHints(PanelWindowHints::platformHints());
        manager->showMainWindow();
        MainPanel &panel = *manager->mainWindow();
        QTRY_VERIFY(panel.isExposed());
        QCOMPARE(xprop(panel, QStringLiteral("_NET_WM_DESKTOP")), QStringLiteral("_NET_WM_DESKTOP(CARDINAL) = 4294967295"));
        const QString state = xprop(panel, QStringLiteral("_NET_WM_STATE"));
        for (const char *expected : {"_NET_WM_STATE_STICKY", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER",
                                     "_NET_WM_STATE_ABOVE"})
            QVERIFY2(state.contains(QLatin1String(expected)), qPrintable(state));
        const QString hints = xprop(panel, QStringLiteral("WM_HINTS"));
        QVERIFY2(hints.contains(QLatin1String("Client accepts input or input focus: False")), qPrintable(hints));
        const QString protocols = xprop(panel, QStringLiteral("WM_PROTOCOLS"));
        QVERIFY2(protocols.contains(QLatin1String("WM_DELETE_WINDOW")), qPrintable(protocols));
        QVERIFY2(!protocols.contains(QLatin1String("WM_TAKE_FOCUS")), qPrintable(protocols));
    }
};

QTEST_MAIN(WindowManagerTest)
#include "tst_window_manager.moc"
