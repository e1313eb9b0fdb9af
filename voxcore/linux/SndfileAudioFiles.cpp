// The audio file seam on libsndfile.

#include "platform/AudioFile.h"

#include "SndfileAudioWriter.h"

#include <cmath>
#include <stdexcept>

namespace {

class SndfileAudioFile : public AudioFileWriter
{
public:
    SndfileAudioFile(const std::filesystem::path &path, const SndfileAudioWriter::Format &format)
        : m_writer(path, format)
    {
    }

    std::optional<QString> write(const PcmBuffer &buffer) override
    {
        if (auto error = m_writer.write(buffer))
            return QString::fromStdString(*error);
        return std::nullopt;
    }

private:
    SndfileAudioWriter m_writer; // closes the file when the last owner lets go
};

class SndfileAudioFiles : public AudioFiles
{
public:
    AudioFileOpening openForWriting(const QUrl &url, const AudioFileSettings &settings) override
    {
        if (!url.isLocalFile())
            return {nullptr, QStringLiteral("Not a local file: %1").arg(url.toString())};
        SndfileAudioWriter::Format format;
        format.sampleRate = static_cast<int>(std::lround(settings.sampleRate));
        format.channels = settings.channelCount;
        format.bitsPerSample = settings.bitsPerSample;
        format.isFloat = settings.isFloat;
        format.isBigEndian = settings.isBigEndian;
        try {
            return {std::make_shared<SndfileAudioFile>(url.toLocalFile().toStdString(), format), {}};
        } catch (const std::exception &error) {
            return {nullptr, QString::fromStdString(error.what())};
        }
    }
};

} // namespace

std::shared_ptr<AudioFiles> defaultAudioFiles()
{
    return std::make_shared<SndfileAudioFiles>();
}
