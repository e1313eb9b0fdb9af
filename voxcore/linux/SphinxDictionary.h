#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

// The words of a PocketSphinx pronunciation dictionary, and the words of a prompt as the
// dictionary spells them (lower case, apostrophes kept, other punctuation dropped).
class SphinxDictionary
{
public:
    // Loaded once per file and kept; throws std::runtime_error when it cannot be read.
    static std::shared_ptr<const SphinxDictionary> load(const std::filesystem::path &file);
    static std::vector<std::string> wordsOf(const std::string &prompt);

    bool contains(const std::string &word) const { return m_words.count(word) > 0; }

private:
    std::unordered_set<std::string> m_words;
};
