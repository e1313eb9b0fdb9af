#include "SphinxVoiceAdaptation.h"

#include "SndfileSpeechReader.h"
#include "SphinxDictionary.h"
#include "SphinxMixtureWeights.h"
#include "SphinxModel.h"
#include "SphinxTrainTools.h"
#include "platform/VoiceAdaptation.h"

#include <sndfile.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

// Files of an acoustic model the decoder reads besides the adapted parameters.
const char *const kCopiedModelFiles[] = {"mdef", "feat.params", "noisedict"};

QString q(const fs::path &path) { return QString::fromStdString(path.string()); }

SphinxModel::Files stockModel(const Locale &locale)
{
    const fs::path folder = SphinxModel::modelsFolder()
                            / SphinxModel::folderForLocaleIdentifier(locale.identifier().toStdString());
    auto files = SphinxModel::findFiles(folder);
    if (!files)
        throw std::runtime_error("No speech model is installed for " + locale.identifier().toStdString());
    return *files;
}

// "-name value" lines of feat.params.
std::map<std::string, std::string> featureParameters(const fs::path &file)
{
    std::map<std::string, std::string> parameters;
    std::ifstream in(file);
    std::string name, value;
    while (in >> name >> value)
        parameters[name] = value;
    return parameters;
}

struct SndfileCloser { void operator()(SNDFILE *file) const { sf_close(file); } };

// The recording as 16 kHz mono 16-bit WAV, what the feature extractor is told to read.
void writeDecoderWav(const fs::path &source, const fs::path &target)
{
    SF_INFO info{};
    info.samplerate = int(kSpeechSampleRate);
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    std::unique_ptr<SNDFILE, SndfileCloser> file(sf_open(target.c_str(), SFM_WRITE, &info));
    if (!file)
        throw std::runtime_error("Cannot write " + target.string() + ": " + sf_strerror(nullptr));
    readSpeechSamples(source, [&](const std::int16_t *samples, std::size_t count) {
        if (sf_write_short(file.get(), samples, sf_count_t(count)) != sf_count_t(count))
            throw std::runtime_error("Cannot write " + target.string() + ": " + sf_strerror(file.get()));
    });
}

void linkOrCopy(const fs::path &from, const fs::path &to)
{
    std::error_code error;
    fs::create_symlink(from, to, error);
    if (error)
        fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

class SphinxVoiceAdaptation : public VoiceAdaptation
{
public:
    QString missingTools() const override { return sphinxTrainTools::missing(); }

    QStringList unknownWords(const Locale &locale, const QString &text) const override
    {
        const auto dictionary = SphinxDictionary::load(stockModel(locale).dictionary);
        QStringList unknown;
        for (const std::string &word : SphinxDictionary::wordsOf(text.toStdString()))
            if (!dictionary->contains(word) && !unknown.contains(QString::fromStdString(word)))
                unknown.append(QString::fromStdString(word));
        return unknown;
    }

    void buildProfile(const Locale &locale, const std::vector<AdaptationSample> &samples, const fs::path &work,
                      const fs::path &output, const AdaptationProgress &progress,
                      const std::atomic<bool> &cancelled) override
    {
        using sphinxTrainTools::run;
        const SphinxModel::Files stock = stockModel(locale);
        const fs::path model = stock.acousticModel;
        const auto parameters = featureParameters(model / "feat.params");
        const auto parameter = [&](const std::string &name, const std::string &fallback) {
            const auto found = parameters.find(name);
            return QString::fromStdString(found == parameters.end() ? fallback : found->second);
        };
        const QString tying = "." + parameter("-model", "ptm") + ".";

        // The stock model as the training tools read it: text model definition, float weights.
        progress(0.02, QStringLiteral("Preparing the model"));
        const fs::path base = work / "base";
        fs::create_directories(base);
        for (const char *name : {"means", "variances", "transition_matrices", "noisedict"})
            linkOrCopy(model / name, base / name);
        run("pocketsphinx_mdef_convert", {"-text", q(model / "mdef"), q(base / "mdef.txt")}, work, cancelled);
        if (fs::exists(model / "mixture_weights"))
            linkOrCopy(model / "mixture_weights", base / "mixture_weights");
        else
            writeMixtureWeightsFromSendump(model / "sendump", base / "mixture_weights");

        progress(0.08, QStringLiteral("Reading the recordings"));
        const fs::path wavs = work / "wav", features = work / "mfc";
        fs::create_directories(wavs);
        fs::create_directories(features);
        std::ofstream ids(work / "train.fileids"), transcripts(work / "train.transcription");
        for (std::size_t i = 0; i < samples.size(); ++i) {
            if (cancelled)
                throw AdaptationCancelled();
            const std::string id = std::to_string(i + 1);
            writeDecoderWav(samples[i].audio, wavs / (id + ".wav"));
            ids << id << '\n';
            transcripts << "<s>";
            for (const std::string &word : SphinxDictionary::wordsOf(samples[i].text.toStdString()))
                transcripts << ' ' << word;
            transcripts << " </s> (" << id << ")\n";
        }
        ids.close();
        transcripts.close();
        if (!ids || !transcripts)
            throw std::runtime_error("Cannot write the list of recordings in " + work.string() + ": "
                                     + std::strerror(errno));

        progress(0.15, QStringLiteral("Computing features"));
        run("sphinx_fe", {"-argfile", q(model / "feat.params"), "-samprate", "16000", "-c", "train.fileids",
                          "-di", q(wavs), "-do", q(features), "-ei", "wav", "-eo", "mfc", "-mswav", "yes"},
            work, cancelled);

        const auto statistics = [&](const fs::path &means, const fs::path &accumulators) {
            fs::create_directories(accumulators);
            QStringList arguments{"-hmmdir", q(base), "-moddeffn", q(base / "mdef.txt"), "-meanfn", q(means),
                                  "-ts2cbfn", tying, "-feat", parameter("-feat", "1s_c_d_dd"),
                                  "-cmn", parameter("-cmn", "batch"), "-agc", parameter("-agc", "none"),
                                  "-varnorm", parameter("-varnorm", "no"), "-dictfn", q(stock.dictionary),
                                  "-ctlfn", "train.fileids", "-lsnfn", "train.transcription",
                                  "-cepdir", q(features), "-accumdir", q(accumulators), "-timing", "no"};
            // Models with several feature streams say how the vector splits into them.
            if (parameters.count("-svspec"))
                arguments << "-svspec" << parameter("-svspec", "");
            run("bw", arguments, work, cancelled);
        };

        progress(0.25, QStringLiteral("Collecting statistics"));
        statistics(base / "means", work / "acc1");

        // A speaker-wide linear transform first, baked into the means, moves every Gaussian
        // toward the voice, also those the recordings never reach.
        progress(0.5, QStringLiteral("Adapting to the voice"));
        run("mllr_solve", {"-meanfn", q(base / "means"), "-varfn", q(base / "variances"), "-outmllrfn",
                           q(work / "mllr_matrix"), "-accumdir", q(work / "acc1")},
            work, cancelled);
        run("mllr_transform", {"-inmeanfn", q(base / "means"), "-outmeanfn", q(work / "mllr_means"), "-mllrmat",
                               q(work / "mllr_matrix")},
            work, cancelled);

        progress(0.6, QStringLiteral("Collecting statistics"));
        statistics(work / "mllr_means", work / "acc2");

        progress(0.85, QStringLiteral("Refining the model"));
        run("map_adapt", {"-moddeffn", q(base / "mdef.txt"), "-ts2cbfn", tying, "-meanfn", q(work / "mllr_means"),
                          "-varfn", q(base / "variances"), "-mixwfn", q(base / "mixture_weights"), "-tmatfn",
                          q(base / "transition_matrices"), "-accumdir", q(work / "acc2"), "-mapmeanfn",
                          q(output / "means"), "-mapvarfn", q(output / "variances"), "-mapmixwfn",
                          q(work / "mixture_weights"), "-maptmatfn", q(output / "transition_matrices")},
            work, cancelled);
        run("mk_s2sendump", {"-pocketsphinx", "yes", "-mwfloor", "1e-7", "-moddeffn", q(base / "mdef.txt"),
                             "-mixwfn", q(work / "mixture_weights"), "-sendumpfn", q(output / "sendump")},
            work, cancelled);
        for (const char *name : kCopiedModelFiles)
            fs::copy_file(model / name, output / name, fs::copy_options::overwrite_existing);
        progress(1.0, QStringLiteral("Done"));
    }
};

} // namespace

std::shared_ptr<VoiceAdaptation> makeSphinxVoiceAdaptation()
{
    return std::make_shared<SphinxVoiceAdaptation>();
}
