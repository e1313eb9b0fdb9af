#pragma once

// Seam: adapting the recognizer's acoustic model to one speaker.
//
// What the logic relies on:
//  - missingTools(): empty when adaptation can run; otherwise a sentence naming what is
//    missing (programs, packages), fit to show the user.
//  - unknownWords(locale, text): the words of a prompt that the locale's pronunciation
//    dictionary lacks (an utterance with one of them cannot be used).
//  - buildProfile() blocks (call it off the main thread): from the samples it writes a
//    complete acoustic model into `output` (an empty folder that exists), using `work` (an
//    empty folder) for intermediate files. It calls `progress` with a fraction (0 to 1) and
//    a short step name, any thread. It checks `cancelled` often and returns soon after it
//    turns true (throwing AdaptationCancelled). Failures throw std::runtime_error with a
//    readable text. Every sample given is used; the logic filters them beforehand.
//  - A model so built is used through SpeechRecognition::recognizerWithVoiceProfile().

#include <voxcore/Locale.h>

#include <QString>
#include <QStringList>

#include <atomic>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <vector>

struct AdaptationSample
{
    std::filesystem::path audio;
    QString text;
};

struct AdaptationCancelled : std::runtime_error
{
    AdaptationCancelled() : std::runtime_error("Voice adaptation cancelled") {}
};

using AdaptationProgress = std::function<void(double fraction, const QString &step)>;

class VoiceAdaptation
{
public:
    virtual ~VoiceAdaptation() = default;
    virtual QString missingTools() const = 0;
    virtual QStringList unknownWords(const Locale &locale, const QString &text) const = 0;
    virtual void buildProfile(const Locale &locale, const std::vector<AdaptationSample> &samples,
                              const std::filesystem::path &work, const std::filesystem::path &output,
                              const AdaptationProgress &progress, const std::atomic<bool> &cancelled) = 0;
};
