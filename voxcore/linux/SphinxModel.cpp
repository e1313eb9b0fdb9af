#include "SphinxModel.h"

#include "SphinxCommandWords.h"

#include <pocketsphinx.h>
#include <sphinxbase/err.h>

#include <algorithm>
#include <cctype>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

bool endsWith(const std::string &text, const std::string &suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The decoder library ends the whole process (exit) when a model file is
// malformed. While a model loads on this thread, the report of such a fatal
// error jumps back to the loader instead.
thread_local std::jmp_buf *fatalErrorLanding = nullptr;

void onDecoderMessage(void *, err_lvl_t level, const char *, ...)
{
    if (level == ERR_FATAL && fatalErrorLanding)
        std::longjmp(*fatalErrorLanding, 1);
}

// The decoder writes a long log to stderr by default; nothing of it is ours to
// show, so every message goes to onDecoderMessage.
void silenceDecoderLog()
{
    static std::once_flag once;
    std::call_once(once, [] { err_set_callback(onDecoderMessage, nullptr); });
}

// ps_init(), or null when it failed or hit a fatal error. Only the library's C
// frames lie between setjmp and longjmp, so nothing that needs unwinding is
// skipped; what the aborted load allocated is leaked, once per broken model.
ps_decoder_t *initDecoderSurvivingFatalErrors(cmd_ln_t *config)
{
    std::jmp_buf landing;
    ps_decoder_t *volatile decoder = nullptr;
    if (setjmp(landing) == 0) {
        fatalErrorLanding = &landing;
        decoder = ps_init(config);
    }
    fatalErrorLanding = nullptr;
    return decoder;
}

} // namespace

fs::path SphinxModel::modelsFolder()
{
    if (const char *folder = std::getenv("VOXCORE_SPHINX_MODELS"); folder && *folder)
        return folder;
    return "/usr/share/pocketsphinx/model";
}

std::string SphinxModel::localeIdentifierForFolder(const std::string &folderName)
{
    std::string identifier;
    bool region = false;
    for (char c : folderName) {
        if (c == '-' || c == '_') {
            identifier += '-';
            region = true;
            continue;
        }
        const auto u = static_cast<unsigned char>(c);
        identifier += static_cast<char>(region ? std::toupper(u) : std::tolower(u));
    }
    return identifier;
}

std::string SphinxModel::folderForLocaleIdentifier(const std::string &identifier)
{
    std::string folder;
    for (char c : identifier)
        folder += c == '_' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folder;
}

std::optional<SphinxModel::Files> SphinxModel::findFiles(const fs::path &folder)
{
    std::error_code error;
    if (!fs::is_directory(folder, error))
        return std::nullopt;
    Files files;
    std::vector<fs::path> entries;
    for (const auto &entry : fs::directory_iterator(folder, error))
        entries.push_back(entry.path());
    std::sort(entries.begin(), entries.end());
    for (const auto &path : entries) {
        const std::string name = path.filename().string();
        if (files.acousticModel.empty() && fs::exists(path / "mdef", error))
            files.acousticModel = path;
        // The phonetic language model ("-phone") decodes phones, not words.
        else if (files.languageModel.empty() && name.find("-phone") == std::string::npos
                 && (endsWith(name, ".lm.bin") || endsWith(name, ".lm") || endsWith(name, ".lm.DMP")))
            files.languageModel = path;
        else if (files.dictionary.empty() && endsWith(name, ".dict"))
            files.dictionary = path;
    }
    if (files.acousticModel.empty() || files.languageModel.empty() || files.dictionary.empty())
        return std::nullopt;
    return files;
}

std::vector<std::string> SphinxModel::installedLocaleIdentifiers()
{
    std::vector<std::string> identifiers;
    std::error_code error;
    for (const auto &entry : fs::directory_iterator(modelsFolder(), error)) {
        if (findFiles(entry.path()))
            identifiers.push_back(localeIdentifierForFolder(entry.path().filename().string()));
    }
    std::sort(identifiers.begin(), identifiers.end());
    return identifiers;
}

std::shared_ptr<SphinxModel> SphinxModel::forLocale(const std::string &identifier)
{
    return forLocale(identifier, fs::path());
}

std::shared_ptr<SphinxModel> SphinxModel::forLocale(const std::string &identifier, const fs::path &voiceProfile)
{
    // Models stay loaded for the whole process; the registry is never torn
    // down so that no decoding thread can outlive its decoder at exit.
    static std::mutex registryLock;
    static auto *registry = new std::map<std::pair<fs::path, fs::path>, std::shared_ptr<SphinxModel>>;

    const fs::path folder = modelsFolder() / folderForLocaleIdentifier(identifier);
    // A retrained profile is a new folder behind the same link: resolved, it is a new model.
    std::error_code error;
    const fs::path profile = voiceProfile.empty() ? fs::path() : fs::weakly_canonical(voiceProfile, error);
    std::lock_guard guard(registryLock);
    const auto key = std::make_pair(folder, profile);
    if (auto known = registry->find(key); known != registry->end())
        return known->second;
    auto files = findFiles(folder);
    if (!files)
        return nullptr;
    if (!profile.empty()) {
        files->stockAcousticModel = files->acousticModel;
        files->acousticModel = profile;
    }
    auto model = std::make_shared<SphinxModel>(std::move(*files));
    registry->emplace(key, model);
    return model;
}

SphinxModel::SphinxModel(Files files) : m_files(std::move(files)) {}

SphinxModel::~SphinxModel() = default;

void SphinxModel::DecoderDeleter::operator()(ps_decoder_s *decoder) const { ps_free(decoder); }

ps_decoder_s *SphinxModel::loadDecoder(const fs::path &acousticModel)
{
    // The language models come after the decoder, in the search of sphinxCommandWords.
    cmd_ln_t *config = cmd_ln_init(nullptr, ps_args(), TRUE,
                                   "-hmm", acousticModel.c_str(),
                                   "-dict", m_files.dictionary.c_str(),
                                   "-logfn", "/dev/null",
                                   nullptr);
    if (!config)
        return nullptr;
    std::unique_ptr<ps_decoder_s, DecoderDeleter> decoder(initDecoderSurvivingFatalErrors(config));
    cmd_ln_free_r(config); // the decoder keeps its own reference
    if (!decoder)
        return nullptr;
    const std::string language = m_files.languageModel.parent_path().filename().string();
    const auto commandWords = sphinxCommandWords::find(language);
    if (!commandWords)
        std::fprintf(stderr, "No language model for spoken punctuation in %s; recognizing it with the stock model\n",
                     (sphinxCommandWords::modelsFolder() / language).c_str());
    auto models = sphinxCommandWords::addSearch(decoder.get(), m_files.languageModel, commandWords);
    if (!models)
        return nullptr;
    m_languageModels = std::move(*models);
    m_listensForCommandWords = m_languageModels.hearsCommandWords();
    return decoder.release();
}

ps_decoder_s *SphinxModel::loadedDecoder()
{
    std::call_once(m_loadOnce, [this] {
        silenceDecoderLog();
        m_decoder.reset(loadDecoder(m_files.acousticModel));
        // A damaged voice profile must not leave the user without recognition.
        if (!m_decoder && !m_files.stockAcousticModel.empty()) {
            std::fprintf(stderr, "Cannot load the voice profile in %s; recognizing with the stock model\n",
                         m_files.acousticModel.c_str());
            m_decoder.reset(loadDecoder(m_files.stockAcousticModel));
        }
        if (!m_decoder)
            m_loadError = "Cannot load the speech model in " + m_files.languageModel.parent_path().string();
    });
    if (!m_decoder)
        throw std::runtime_error(m_loadError);
    return m_decoder.get();
}

std::optional<SphinxModel::Lease> SphinxModel::acquire(std::chrono::milliseconds patience, Vocabulary vocabulary)
{
    std::unique_lock lock(m_inUse, std::defer_lock);
    if (!lock.try_lock_for(patience))
        return std::nullopt;
    ps_decoder_s *decoder = loadedDecoder();
    const bool withCommandWords = vocabulary == Vocabulary::withCommandWords && m_languageModels.hearsCommandWords();
    if (withCommandWords != m_listensForCommandWords) {
        if (!m_languageModels.listenFor(decoder, withCommandWords))
            throw std::runtime_error("The speech decoder cannot switch its language model");
        m_listensForCommandWords = withCommandWords;
    }
    return Lease(std::move(lock), decoder);
}
