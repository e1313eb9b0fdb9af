#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

// Reads any audio file libsndfile understands as 16 kHz mono 16-bit samples,
// the decoder's input, handed out in chunks. Throws std::runtime_error with a
// readable text when the file cannot be read.
void readSpeechSamples(const std::filesystem::path &file,
                       const std::function<void(const std::int16_t *samples, std::size_t count)> &consume);

// The decoder's sample rate.
inline constexpr double kSpeechSampleRate = 16000.0;
