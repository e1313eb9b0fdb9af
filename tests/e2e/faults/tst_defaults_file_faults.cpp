// The defaults file on disk going wrong in the ways a desktop sees: values of
// the wrong type, a file made read-only, a path that cannot be read as a file,
// and a write cut short (disk full, quota). The store uses its defaults, keeps
// what was on disk and never leaves a half-written file.

#include "FaultFiles.h"
#include "UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Limits the size of files this process may write for as long as it lives.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        // Over the limit, write() fails with EFBIG instead of the process being killed.
        m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_saved;
        limited.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_savedHandler);
    }
    bool isActive() const { return m_active; }

private:
    rlimit m_saved{};
    void (*m_savedHandler)(int) = nullptr;
    bool m_active = false;
};

const QByteArray kWrongTypes = R"({
    "showInMenuBar": "yes",
    "outputTargets": 5,
    "main.WindowPositionX": "abc",
    "main.WindowPositionY": [120],
    "KeyboardShortcuts_toggleMainWindow": {"carbonKeyCode": 0}
})";

} // namespace

class DefaultsFileFaults : public QObject
{
    Q_OBJECT

private slots:
    void wrongTypesReadAsAbsentAndKept()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("defaults.json");
        QVERIFY(writeFile(path, kWrongTypes));

        UserDefaults defaults(path);
        QCOMPARE(defaults.lastError(), QString());
        QCOMPARE(defaults.boolValue("showInMenuBar", true), true);
        QCOMPARE(defaults.boolean("showInMenuBar"), std::nullopt);
        QCOMPARE(defaults.string("outputTargets"), std::nullopt);
        QCOMPARE(defaults.doubleValue("main.WindowPositionX", 0.0), 0.0);
        QCOMPARE(defaults.doubleValue("main.WindowPositionY", 0.0), 0.0);
        QCOMPARE(defaults.string("KeyboardShortcuts_toggleMainWindow"), std::nullopt);
        // A readable JSON object is the user's data: not moved aside.
        QVERIFY(!QFile::exists(path + ".corrupt"));

        // A later change rewrites the file with every other value as it was.
        defaults.setBool("showInMenuBar", false);
        const QJsonObject before = QJsonDocument::fromJson(kWrongTypes).object();
        const QJsonObject after = QJsonDocument::fromJson(readFile(path)).object();
        QCOMPARE(after.value("showInMenuBar"), QJsonValue(false));
        for (const QString &key : before.keys()) {
            if (key != "showInMenuBar")
                QCOMPARE(after.value(key), before.value(key));
        }
    }

    void readOnlyFileIsNeverRewritten()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("defaults.json");
        const QByteArray content = R"({"showInMenuBar": false, "main.WindowPositionX": 40})";
        QVERIFY(writeFile(path, content));
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));

        UserDefaults defaults(path);
        QCOMPARE(defaults.boolean("showInMenuBar"), std::optional<bool>(false));
        QCOMPARE(defaults.doubleValue("main.WindowPositionX"), 40.0);
        QVERIFY2(defaults.lastError().contains("read-only"), qPrintable(defaults.lastError()));

        // Changes hold for this run only.
        defaults.setBool("showInMenuBar", true);
        defaults.setDouble("main.WindowPositionX", 300);
        defaults.remove("main.WindowPositionX");
        QCOMPARE(defaults.boolean("showInMenuBar"), std::optional<bool>(true));
        QCOMPARE(readFile(path), content);
        QCOMPARE(entries(dir.path()), QStringList{"defaults.json"});
        QCOMPARE(UserDefaults(path).boolean("showInMenuBar"), std::optional<bool>(false));
    }

    void pathThatIsNoFileIsLeftAlone()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("defaults.json");
        QVERIFY(QDir().mkpath(path + "/inside"));

        UserDefaults defaults(path);
        QVERIFY(defaults.keys().isEmpty());
        QVERIFY2(defaults.lastError().startsWith("cannot read"), qPrintable(defaults.lastError()));
        defaults.setBool("showInMenuBar", false);
        QCOMPARE(defaults.boolean("showInMenuBar"), std::optional<bool>(false));
        QVERIFY(QFileInfo(path).isDir());
        QCOMPARE(entries(path), QStringList{"inside"});
        QCOMPARE(entries(dir.path()), QStringList{"defaults.json"});
    }

    void writeCutShortKeepsTheWholeOldFile_data()
    {
        QTest::addColumn<int>("valueSize");
        // Qt writes small amounts through a buffer and large ones straight away.
        QTest::newRow("small, buffered") << 6 * 1024;
        QTest::newRow("large, written at once") << 64 * 1024;
    }

    void writeCutShortKeepsTheWholeOldFile()
    {
        QFETCH(int, valueSize);
        QTemporaryDir dir;
        const QString path = dir.filePath("defaults.json");
        {
            UserDefaults defaults(path);
            defaults.setBool("showInMenuBar", false);
            defaults.setString("outputTargets", R"(["pasteboard"])");
        }
        const QByteArray saved = readFile(path);
        QVERIFY(!saved.isEmpty());

        UserDefaults defaults(path);
        const QString large(valueSize, QLatin1Char('x'));
        {
            FileSizeLimit limit(4096);
            QVERIFY(limit.isActive());
            defaults.setString("note", large);
        }
        QVERIFY2(defaults.lastError().startsWith("cannot write"), qPrintable(defaults.lastError()));
        QCOMPARE(readFile(path), saved);
        // No temporary file is left behind either.
        QCOMPARE(entries(dir.path()), QStringList{"defaults.json"});
        QCOMPARE(defaults.string("note"), std::optional<QString>(large));

        // Once there is room again the next change writes everything, the earlier one included.
        defaults.setBool("showInMenuBar", true);
        UserDefaults again(path);
        QCOMPARE(again.string("note"), std::optional<QString>(large));
        QCOMPARE(again.boolean("showInMenuBar"), std::optional<bool>(true));
        QCOMPARE(again.string("outputTargets"), std::optional<QString>(R"(["pasteboard"])"));
    }
};

QTEST_GUILESS_MAIN(DefaultsFileFaults)
#include "tst_defaults_file_faults.moc"
