#pragma once

#include "SphinxCommandWords.h"

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct ps_decoder_s;

// One installed PocketSphinx model (acoustic model, language model,
// dictionary) for one language. Its decoder is loaded on first use and kept
// for the life of the process, because loading takes most of a second and a
// recognizer is created for every transcription. A decoder decodes one audio
// stream at a time; `Lease` grants that exclusive use.
class SphinxModel
{
public:
    struct Files {
        std::filesystem::path acousticModel;
        std::filesystem::path languageModel;
        std::filesystem::path dictionary;
        // With a voice profile's acoustic model: the stock one, used when the profile's
        // cannot be loaded. Empty otherwise.
        std::filesystem::path stockAcousticModel;
    };

    // What the decoder listens for: the words of the stock language model, or those with
    // the spoken punctuation and layout words made likely (sphinxCommandWords).
    enum class Vocabulary { plain, withCommandWords };

    // Folder holding one sub-folder per language ("en-us", ...).
    static std::filesystem::path modelsFolder();
    // Locale identifiers ("en-US") of the complete models installed, sorted.
    static std::vector<std::string> installedLocaleIdentifiers();
    // The model for a locale identifier, shared process-wide; null when no
    // complete model is installed for it.
    static std::shared_ptr<SphinxModel> forLocale(const std::string &identifier);
    // The same with the acoustic model in `voiceProfile` in place of the stock one.
    static std::shared_ptr<SphinxModel> forLocale(const std::string &identifier,
                                                  const std::filesystem::path &voiceProfile);

    // "en-us" <-> "en-US"
    static std::string localeIdentifierForFolder(const std::string &folderName);
    static std::string folderForLocaleIdentifier(const std::string &identifier);
    static std::optional<Files> findFiles(const std::filesystem::path &folder);

    explicit SphinxModel(Files files);
    ~SphinxModel();
    SphinxModel(const SphinxModel &) = delete;
    SphinxModel &operator=(const SphinxModel &) = delete;

    const Files &files() const { return m_files; }

    // Exclusive use of the loaded decoder while the lease lives.
    class Lease
    {
    public:
        ps_decoder_s *decoder() const { return m_decoder; }
    private:
        friend class SphinxModel;
        Lease(std::unique_lock<std::timed_mutex> lock, ps_decoder_s *decoder)
            : m_lock(std::move(lock)), m_decoder(decoder) {}
        std::unique_lock<std::timed_mutex> m_lock;
        ps_decoder_s *m_decoder;
    };

    // Waits up to `patience` for the decoder to be free, loading it first if
    // needed, and sets it to listen for `vocabulary` (the plain one when the
    // model has no other). Throws std::runtime_error when the model cannot be
    // loaded; returns nothing when the decoder stayed busy.
    std::optional<Lease> acquire(std::chrono::milliseconds patience, Vocabulary vocabulary = Vocabulary::plain);

private:
    ps_decoder_s *loadedDecoder();
    ps_decoder_s *loadDecoder(const std::filesystem::path &acousticModel);

    struct DecoderDeleter { void operator()(ps_decoder_s *decoder) const; };
    Files m_files;
    std::timed_mutex m_inUse;
    std::once_flag m_loadOnce;
    std::unique_ptr<ps_decoder_s, DecoderDeleter> m_decoder;
    sphinxCommandWords::LanguageModels m_languageModels;
    bool m_listensForCommandWords = false; // changed under the lease only
    std::string m_loadError;
};
