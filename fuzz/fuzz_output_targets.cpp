// Stored output targets: the "outputTargets" text as AppState reads it from the
// defaults (valid Unicode first, then its UTF-8 form decoded).
#include "FuzzCheck.h"

#include "OutputTarget.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString stored = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    if (!QStringView(stored).isValidUtf16())
        return 0;
    const std::optional<QList<OutputTarget>> decoded = decodeOutputTargets(stored.toUtf8());
    if (decoded) {
        for (OutputTarget target : *decoded)
            FUZZ_CHECK(fromRawValue<OutputTarget>(rawValue(target)) == target);
        FUZZ_CHECK(decodeOutputTargets(encodeOutputTargets(*decoded)) == decoded);
    }
    return 0;
}
