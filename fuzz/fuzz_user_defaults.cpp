// The defaults file: whatever bytes defaults.json holds when the store opens it.
#include "FuzzCheck.h"

#include <UserDefaults.h>

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("defaults.json"));
    QFile::remove(path + QStringLiteral(".corrupt"));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
    }

    UserDefaults defaults(path);
    for (const QString &key : defaults.keys()) {
        (void)defaults.string(key);
        (void)defaults.boolean(key);
        (void)defaults.number(key);
        (void)defaults.boolValue(key, true);
        (void)defaults.doubleValue(key);
    }
    // A file that was not kept must have been moved aside, never lost.
    if (!QFile::exists(path))
        FUZZ_CHECK(QFile::exists(path + QStringLiteral(".corrupt")));

    // Writing afterwards leaves a file the next store reads back.
    defaults.setString(QStringLiteral("fuzzWritten"), QStringLiteral("yes"));
    if (defaults.lastError().isEmpty()) {
        UserDefaults reread(path);
        FUZZ_CHECK(reread.string(QStringLiteral("fuzzWritten")) == QStringLiteral("yes"));
    }
    QFile::remove(path);
    return 0;
}
