#pragma once

#include <filesystem>
#include <optional>
#include <string>

struct ps_decoder_s;

// The second language model of a language, for dictation with spoken punctuation: an n-gram
// model of dictation text that uses the command words ("comma", "new line"), built with the
// program, and the pronunciations of command words the stock dictionary lacks. While spoken
// punctuation is on the decoder searches with the stock model and this one interpolated, so
// that a command word after any word is likely enough to be heard; otherwise with the stock
// model alone.
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

// Share of the command-word model in the interpolation.
inline constexpr float weight = 0.2f;

// Names of the decoder's two searches.
inline constexpr const char *plainSearch = "plain";
inline constexpr const char *withCommandWordsSearch = "commandWords";

// Adds the pronunciations missing from the decoder's dictionary, then the plain search on
// `stockModel` and the command-word search on both models. With `files` absent, unreadable or
// broken, only the plain search (and a line on standard error for a file that is there but
// cannot be used). Returns whether the command-word search exists; false with no plain search
// means the stock model itself cannot be loaded.
struct Searches {
    bool plain = false;
    bool withCommandWords = false;
};
Searches addSearches(ps_decoder_s *decoder, const std::filesystem::path &stockModel,
                     const std::optional<Files> &files);

} // namespace sphinxCommandWords
