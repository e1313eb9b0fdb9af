// QML must see the process's shared instances, not copies of its own: the
// engine builds a singleton itself whenever the type is default-constructible
// and then never asks its create().
#include "AppState.h"
#include "MainPanel.h"
#include "PanelWindowHints.h"
#include "UpdateManager.h"
#include "UserDefaults.h"
#include "WindowManager.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

#include <memory>
#include <type_traits>

Q_IMPORT_QML_PLUGIN(Sayline_AppPlugin)

static_assert(!std::is_default_constructible_v<WindowManager>, "QML would bypass WindowManager::create()");
static_assert(!std::is_default_constructible_v<AppState>, "QML would bypass AppState::create()");
static_assert(!std::is_default_constructible_v<UpdateManager>, "QML would bypass UpdateManager::create()");

namespace {
class NoHints : public PanelWindowHints
{
public:
    void applyPanelHints(QWindow &) override {}
    bool hasCompositor() override { return true; }
};

// An object of the QML `source`, on the program's import path.
std::unique_ptr<QObject> createObject(QQmlEngine &engine, const QByteArray &source)
{
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    QQmlComponent component(&engine);
    component.setData("import QtQml\nimport Sayline.App\n" + source, QUrl(QStringLiteral("qrc:/tst_qml_singletons/Test.qml")));
    std::unique_ptr<QObject> object(component.create());
    if (!object)
        qWarning() << component.errorString();
    return object;
}

// A QML object that holds the singleton `typeName` and one of its properties.
std::unique_ptr<QObject> readSingleton(QQmlEngine &engine, const QString &typeName, const QString &property)
{
    return createObject(engine, QStringLiteral("QtObject {\n"
                                               "    property QtObject instance: %1\n"
                                               "    property var value: %1.%2\n"
                                               "}\n")
                                    .arg(typeName, property)
                                    .toUtf8());
}
} // namespace

class QmlSingletonsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        for (const QString &key : UserDefaults::standard().keys())
            UserDefaults::standard().remove(key);
        // The shared updater schedules checks of its feed: keep them on this machine.
        qputenv("SAYLINE_APPCAST_URL", "http://127.0.0.1:9/appcast.xml");
        WindowManager::shared().setWindowHints(std::make_unique<NoHints>());
        WindowManager::shared().setContentFactory([](MainPanel &) {
            auto *item = new QQuickItem;
            item->setImplicitWidth(300);
            item->setImplicitHeight(80);
            return item;
        });
    }

    void qmlGetsTheSharedInstance_data()
    {
        QTest::addColumn<QString>("typeName");
        QTest::addColumn<QString>("property");
        QTest::addColumn<QObject *>("shared");
        QTest::newRow("WindowManager") << "WindowManager" << "mainWindowVisible"
                                       << static_cast<QObject *>(&WindowManager::shared());
        QTest::newRow("UpdateManager") << "UpdateManager" << "currentVersion"
                                       << static_cast<QObject *>(&UpdateManager::shared());
    }
    void qmlGetsTheSharedInstance()
    {
        QFETCH(QString, typeName);
        QFETCH(QString, property);
        QFETCH(QObject *, shared);
        QQmlEngine engine;
        const auto reader = readSingleton(engine, typeName, property);
        QVERIFY(reader);
        QCOMPARE(reader->property("instance").value<QObject *>(), shared);
        // A second engine gets the same object, still owned by C++.
        {
            QQmlEngine other;
            const auto second = readSingleton(other, typeName, property);
            QVERIFY(second);
            QCOMPARE(second->property("instance").value<QObject *>(), shared);
        }
        QCOMPARE(reader->property("instance").value<QObject *>(), shared);
    }

    // What C++ does to the shared manager is what the panel's QML reads.
    void qmlFollowsTheSharedWindowManager()
    {
        QQmlEngine engine;
        const auto reader = readSingleton(engine, QStringLiteral("WindowManager"), QStringLiteral("mainWindowVisible"));
        QVERIFY(reader);
        QCOMPARE(reader->property("value").toBool(), false);
        WindowManager::shared().showMainWindow();
        QVERIFY(WindowManager::shared().isMainWindowVisible());
        QCOMPARE(reader->property("value").toBool(), true);
        WindowManager::shared().discardMainWindow();
        QCOMPARE(reader->property("value").toBool(), false);
    }

    // The gear calls WindowManager.open("settings") in QML; the opener the
    // settings install on the shared manager must receive it.
    void qmlOpenReachesTheInstalledOpener()
    {
        QStringList opened;
        WindowManager::shared().setOpenWindow([&opened](const QString &identifier) { opened << identifier; });
        QQmlEngine engine;
        const auto object = createObject(engine, "QtObject { Component.onCompleted: WindowManager.open(\"settings\") }\n");
        QVERIFY(object);
        QCOMPARE(opened, QStringList{QStringLiteral("settings")});
        WindowManager::shared().setOpenWindow({});
    }
};

QTEST_MAIN(QmlSingletonsTest)
#include "tst_qml_singletons.moc"
