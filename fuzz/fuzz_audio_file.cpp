// Audio files given to file transcription: any bytes, read from a file the way
// the recognizer's reader opens it.
#include "FuzzCheck.h"

#include "SndfileSpeechReader.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const std::filesystem::path file = [] {
        const char *base = std::getenv("TMPDIR");
        return std::filesystem::path(base ? base : "/tmp") / ("sayline-fuzz-audio-" + std::to_string(getpid()));
    }();
    {
        std::FILE *out = std::fopen(file.c_str(), "wb");
        FUZZ_CHECK(out != nullptr);
        FUZZ_CHECK(std::fwrite(data, 1, size, out) == size);
        std::fclose(out);
    }
    try {
        readSpeechSamples(file, [](const std::int16_t *samples, std::size_t count) {
            FUZZ_CHECK(samples != nullptr && count > 0);
        });
    } catch (const std::runtime_error &) {
        // Unreadable files are reported with a message; that is the expected outcome.
    }
    std::filesystem::remove(file);
    return 0;
}
