// The transcript line: any text the recognizer may hand over.
#include "FuzzCheck.h"

#include "TranscriptionDisplayStore.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QString shown = TranscriptionDisplayStore::displayText(text);
    FUZZ_CHECK(shown.size() <= text.trimmed().size() + 3);
    const qsizetype words = shown.split(QLatin1Char(' '), Qt::SkipEmptyParts).size();
    FUZZ_CHECK(words <= TranscriptionDisplayStore::maximumDisplayedWords + 1);
    // The line is stable: showing it again changes nothing.
    if (!shown.startsWith(QStringLiteral("...")))
        FUZZ_CHECK(TranscriptionDisplayStore::displayText(shown) == shown);
    return 0;
}
