// QML must see the process's shared instances, not copies of its own: the
// engine builds a singleton itself whenever the type is default-constructible
// and then never asks its create().
#include "AppState.h"
#include "UpdateManager.h"
#include "UserDefaults.h"
#include "WindowManager.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

#include <memory>
#include <type_traits>

Q_IMPORT_QML_PLUGIN(Sayline_AppPlugin)

static_assert(!std::is_default_constructible_v<WindowManager>, "QML would bypass WindowManager::create()");
static_assert(!std::is_default_constructible_v<AppState>, "QML would bypass AppState::create()");
static_assert(!std::is_default_constructible_v<UpdateManager>, "QML would bypass UpdateManager::create()");

namespace {
// The object QML gets for the singleton `typeName`.
QObject *singletonInQml(QQmlEngine &engine, const QString &typeName, std::unique_ptr<QObject> &holder)
{
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    QQmlComponent component(&engine);
    component.setData(QStringLiteral("import QtQml\nimport Sayline.App\nQtObject { property QtObject instance: %1 }\n")
                          .arg(typeName)
                          .toUtf8(),
                      QUrl(QStringLiteral("qrc:/tst_qml_singletons/Test.qml")));
    holder.reset(component.create());
    if (!holder)
        qWarning() << component.errorString();
    return holder ? holder->property("instance").value<QObject *>() : nullptr;
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
    }

    void qmlGetsTheSharedInstance_data()
    {
        QTest::addColumn<QString>("typeName");
        QTest::addColumn<QObject *>("shared");
        QTest::newRow("WindowManager") << "WindowManager" << static_cast<QObject *>(&WindowManager::shared());
        QTest::newRow("UpdateManager") << "UpdateManager" << static_cast<QObject *>(&UpdateManager::shared());
    }

    // Every engine gets the same object, and it stays owned by C++.
    void qmlGetsTheSharedInstance()
    {
        QFETCH(QString, typeName);
        QFETCH(QObject *, shared);
        QQmlEngine engine;
        std::unique_ptr<QObject> reader;
        QCOMPARE(singletonInQml(engine, typeName, reader), shared);
        {
            QQmlEngine other;
            std::unique_ptr<QObject> second;
            QCOMPARE(singletonInQml(other, typeName, second), shared);
        }
        QCOMPARE(reader->property("instance").value<QObject *>(), shared);
    }
};

QTEST_MAIN(QmlSingletonsTest)
#include "tst_qml_singletons.moc"
