#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

struct ps_decoder_s;
struct ngram_model_s;

// The second language model of a language, for dictation with spoken punctuation: an n-gram
// model of dictation text that uses the command words ("comma", "new line"), built with the
// program, and the pronunciations of command words the stock dictionary lacks. While spoken
// punctuation is on the decoder searches with the stock model and this one interpolated, so
// that a command word after any word is likely enough to be heard; otherwise with the stock
// model alone. One search serves both, made anew on a change: a second search would keep a
// second copy of the decoder's largest structures (about 40 MB).
namespace sphinxCommandWords {

struct Files {
    std::filesystem::path languageModel;
    std::filesystem::path pronunciations;
};

// The folder holding one sub-folder of these files per language: beside the library
// (<prefix>/share/sayline/pocketsphinx for <prefix>/lib/libvoxcore.so), or the one named by
// VOXCORE_SPHINX_DICTATION_MODELS.
std::filesystem::path modelsFolder();
// The files for a model folder name ("en-us"); nothing when the language has none.
std::optional<Files> find(const std::string &modelFolderName);

// Share of the command-word model in the interpolation. The decoder mixes the two models' scores
// after its language weight (6.5) has been applied, so a share w acts like w^(1/6.5) would on
// probabilities: 1e-8 is about 6 %. Enough to lift the command words; from about 1e-6 up the
// model's ordinary phrases win too and ordinary dictation gets worse (extra words inserted).
inline constexpr float weight = 1e-8f;

// The decoder's one search.
inline constexpr const char *searchName = "dictation";

// The language models a decoder's search switches between, kept for the decoder's life.
class LanguageModels
{
public:
    struct Release { void operator()(ngram_model_s *model) const; };
    using Handle = std::unique_ptr<ngram_model_s, Release>;

    LanguageModels() = default;
    LanguageModels(Handle stock, Handle withCommandWords)
        : m_stock(std::move(stock)), m_withCommandWords(std::move(withCommandWords)) {}

    bool hearsCommandWords() const { return m_withCommandWords != nullptr; }
    // Makes the decoder's search anew on the stock model alone or on both interpolated (a
    // fraction of a second: on a change only, between utterances). False when it failed.
    bool listenFor(ps_decoder_s *decoder, bool commandWords) const;

private:
    Handle m_stock;
    Handle m_withCommandWords; // the stock model and the command-word one, interpolated
};

// Adds the pronunciations missing from the decoder's dictionary, then the search, listening
// for the command words when `files` are there and sound; otherwise (with a line on standard
// error for a file that is there but cannot be used) on the stock model alone. Nothing when
// the stock model itself cannot be loaded.
std::optional<LanguageModels> addSearch(ps_decoder_s *decoder, const std::filesystem::path &stockModel,
                                        const std::optional<Files> &files);

} // namespace sphinxCommandWords
