#include "SphinxCommandWords.h"

#include <pocketsphinx.h>
#include <sphinxbase/ckd_alloc.h>
#include <sphinxbase/ngram_model.h>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace sphinxCommandWords {

namespace {

// The folder of the library holding this code: installed data lies at a fixed place
// relative to it (VOXCORE_DATA_FROM_LIBRARY, "../share" for <prefix>/lib), and the build
// tree writes its data at the same place relative to the built library.
fs::path libraryFolder()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void *>(&libraryFolder), &info) == 0 || !info.dli_fname)
        return {};
    return fs::path(info.dli_fname).parent_path();
}

bool knows(ps_decoder_t *decoder, const std::string &word)
{
    char *pronunciation = ps_lookup_word(decoder, word.c_str());
    const bool known = pronunciation != nullptr;
    ckd_free(pronunciation); // allocated for the caller
    return known;
}

// "word phone phone ..." lines; a word the dictionary already has is left as it is.
void addPronunciations(ps_decoder_t *decoder, const fs::path &file)
{
    std::ifstream in(file);
    if (!in) {
        std::fprintf(stderr, "Cannot read the pronunciations in %s\n", file.c_str());
        return;
    }
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string word, phone, phones;
        if (!(fields >> word) || word[0] == '#')
            continue;
        while (fields >> phone)
            phones += (phones.empty() ? "" : " ") + phone;
        if (phones.empty() || knows(decoder, word))
            continue;
        if (ps_add_word(decoder, word.c_str(), phones.c_str(), FALSE) < 0)
            std::fprintf(stderr, "Cannot add the word \"%s\" from %s\n", word.c_str(), file.c_str());
    }
}

} // namespace

fs::path modelsFolder()
{
    if (const char *folder = std::getenv("VOXCORE_SPHINX_DICTATION_MODELS"); folder && *folder)
        return folder;
    return libraryFolder() / VOXCORE_DATA_FROM_LIBRARY / "sayline" / "pocketsphinx";
}

std::optional<Files> find(const std::string &modelFolderName)
{
    const fs::path folder = modelsFolder() / modelFolderName;
    Files files{folder / "dictation.lm.bin", folder / "pronunciations.dict"};
    std::error_code error;
    if (!fs::exists(files.languageModel, error))
        return std::nullopt;
    return files;
}

void LanguageModels::Release::operator()(ngram_model_s *model) const { ngram_model_free(model); }

std::optional<LanguageModels> addSearch(ps_decoder_s *decoder, const fs::path &stockModel,
                                        const std::optional<Files> &files)
{
    // The pronunciations go in while no search exists: ps_add_word() also adds the word to
    // every language model searched, and the stock model is to stay as it is.
    if (files)
        addPronunciations(decoder, files->pronunciations);

    cmd_ln_t *config = ps_get_config(decoder);
    logmath_t *logMath = ps_get_logmath(decoder);
    LanguageModels::Handle stock(ngram_model_read(config, stockModel.c_str(), NGRAM_AUTO, logMath));
    if (!stock)
        return std::nullopt;
    LanguageModels::Handle dictation(
        files ? ngram_model_read(config, files->languageModel.c_str(), NGRAM_AUTO, logMath) : nullptr);
    if (files && !dictation)
        std::fprintf(stderr, "Cannot load the language model %s; spoken punctuation is recognized with the stock "
                             "model\n", files->languageModel.c_str());
    LanguageModels::Handle both;
    if (dictation) {
        ngram_model_t *models[] = {stock.get(), dictation.get()};
        char stockName[] = "stock", dictationName[] = "dictation";
        char *names[] = {stockName, dictationName};
        const float32 weights[] = {1.0f - weight, weight};
        both.reset(ngram_model_set_init(config, models, names, weights, 2)); // holds its own references
    }
    LanguageModels models(std::move(stock), std::move(both));
    // Spoken punctuation is on unless the user turned it off.
    if (!models.listenFor(decoder, models.hearsCommandWords()))
        return std::nullopt;
    return models;
}

bool LanguageModels::listenFor(ps_decoder_s *decoder, bool commandWords) const
{
    ngram_model_t *model = commandWords && m_withCommandWords ? m_withCommandWords.get() : m_stock.get();
    // The new search holds its own reference to the model; the one it replaces is freed.
    return ps_set_lm(decoder, searchName, model) == 0 && ps_set_search(decoder, searchName) == 0;
}

} // namespace sphinxCommandWords
