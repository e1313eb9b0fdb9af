// Update feeds: any document a server may send as the appcast.
#include "FuzzCheck.h"

#include "Appcast.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray document(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const AppcastParseResult result = parseAppcast(document);
    FUZZ_CHECK(result.appcast.has_value() || !result.error.isEmpty());
    if (result.appcast) {
        for (const AppcastItem &item : result.appcast->items) {
            (void)item.displayVersion();
            const QUrl page = item.pageUrl();
            FUZZ_CHECK(page.isEmpty() || page.scheme() == QLatin1String("https") || page.scheme() == QLatin1String("http"));
        }
    }
    return 0;
}
