// Stored shortcuts: the JSON text kept in the defaults under a name's key, read
// both directly and through getShortcut().
#include "FuzzCheck.h"

#include <KeyboardShortcuts.h>
#include <UserDefaults.h>

#include <QByteArray>
#include <QTemporaryDir>

#include <cstdint>

using namespace KeyboardShortcuts;

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // getShortcut() reads the process-wide defaults; keep them in a private folder.
    static QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray json(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const std::optional<Shortcut> decoded = Shortcut::fromJson(json);
    if (decoded) {
        // Whatever was accepted writes back to the same shortcut.
        FUZZ_CHECK(Shortcut::fromJson(decoded->toJson()) == decoded);
    }

    static const Name name(QStringLiteral("fuzzedShortcut"));
    UserDefaults::standard().setString(name.userDefaultsKey(), QString::fromUtf8(json));
    const std::optional<Shortcut> stored = getShortcut(name);
    if (QString::fromUtf8(json).toUtf8() == json)
        FUZZ_CHECK(stored == decoded);
    return 0;
}
