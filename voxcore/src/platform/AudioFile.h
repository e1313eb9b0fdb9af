#pragma once

// Seam: audio files written by the recorder.
//
// What the logic relies on:
//  - openForWriting(url, settings) creates (or truncates) the file with the given settings, the
//    container chosen by the extension (".wav"), or returns an error description.
//  - write(buffer) converts the buffer from its own rate and channel count to the file's
//    (downmix, resample) before writing, so the file always holds the audio at its real
//    length; returns an error description when the write failed. Called on the capture
//    thread, one buffer at a time.
//  - Destroying the writer finishes and closes the file (from any thread).

#include <voxcore/PcmBuffer.h>

#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

struct AudioFileSettings
{
    double sampleRate = 44100.0;
    int channelCount = 1;
    int bitsPerSample = 16;
    bool isBigEndian = false;
    bool isFloat = false;
};

class AudioFileWriter
{
public:
    virtual ~AudioFileWriter() = default;
    virtual std::optional<QString> write(const PcmBuffer &buffer) = 0;
};

struct AudioFileOpening
{
    std::shared_ptr<AudioFileWriter> file; // null on failure
    QString error;
};

class AudioFiles
{
public:
    virtual ~AudioFiles() = default;
    virtual AudioFileOpening openForWriting(const QUrl &url, const AudioFileSettings &settings) = 0;
};

// The system's audio file service (defined by the platform adapter).
std::shared_ptr<AudioFiles> defaultAudioFiles();
