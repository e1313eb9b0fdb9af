#include "NotificationCenter.h"
#include "UserDefaults.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestDefaults : public QObject
{
    Q_OBJECT

private:
    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void typedValuesSurviveARestart()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Sayline/defaults.json");
        {
            UserDefaults defaults(path);
            defaults.setString("text", "false");
            defaults.setBool("flag", false);
            defaults.setDouble("x", 12.5);
        }
        UserDefaults again(path);
        QCOMPARE(again.string("text"), std::optional<QString>("false"));
        QCOMPARE(again.boolean("flag"), std::optional<bool>(false));
        QCOMPARE(again.doubleValue("x"), 12.5);
        QCOMPARE(again.doubleValue("missing"), 0.0);
        QVERIFY(!again.contains("missing"));
    }

    void changesNotifyOnlyWhenTheValueChanges()
    {
        QTemporaryDir dir;
        UserDefaults defaults(dir.filePath("defaults.json"));
        QSignalSpy spy(&defaults, &UserDefaults::valueChanged);
        defaults.setBool("showInMenuBar", true);
        defaults.setBool("showInMenuBar", true);
        defaults.setBool("showInMenuBar", false);
        defaults.remove("showInMenuBar");
        defaults.remove("showInMenuBar");
        QCOMPARE(spy.count(), 3);
    }

    // Truncated and binary files go through the program in tests/e2e/faults.
    void corruptFilesAreKeptAsideNotOverwritten_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("array, not object") << QByteArray("[1,2,3]");
        QTest::newRow("NUL bytes") << QByteArray("\x00\xff\xfe binary \x01", 12);
    }

    void corruptFilesAreKeptAsideNotOverwritten()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath("defaults.json");
        writeFile(path, content);

        UserDefaults defaults(path);
        QVERIFY(defaults.keys().isEmpty());
        QVERIFY(!defaults.lastError().isEmpty());
        QCOMPARE(readFile(path + ".corrupt"), content);

        defaults.setBool("showInMenuBar", false);
        QCOMPARE(UserDefaults(path).boolean("showInMenuBar"), std::optional<bool>(false));
        QCOMPARE(readFile(path + ".corrupt"), content);
    }

    void notificationsReachObserversByName()
    {
        auto &center = NotificationCenter::defaultCenter();
        QStringList seen;
        const auto token = center.addObserver("a", [&](const Notification &n) {
            seen << n.name + ":" + n.userInfo.value("k").toString();
        });
        {
            QObject context;
            center.addObserver("a", &context, [&](const Notification &) { seen << "context"; });
            center.post("a", {{"k", "1"}});
        }
        center.post("b", {{"k", "2"}});
        center.post("a", {{"k", "3"}});
        center.removeObserver(token);
        center.post("a", {{"k", "4"}});
        QCOMPARE(seen, QStringList({"a:1", "context", "a:3"}));
    }

    void anObserverMayRemoveItselfWhileCalled()
    {
        auto &center = NotificationCenter::defaultCenter();
        int calls = 0;
        NotificationCenter::Token token = 0;
        token = center.addObserver("once", [&](const Notification &) {
            ++calls;
            center.removeObserver(token);
        });
        center.post("once");
        center.post("once");
        QCOMPARE(calls, 1);
    }
};

QTEST_GUILESS_MAIN(TestDefaults)
#include "test_defaults.moc"
