#include "SphinxDictionary.h"

#include <QString>

#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <stdexcept>

std::shared_ptr<const SphinxDictionary> SphinxDictionary::load(const std::filesystem::path &file)
{
    static std::mutex cacheLock;
    static auto *cache = new std::map<std::filesystem::path, std::shared_ptr<const SphinxDictionary>>;
    std::lock_guard guard(cacheLock);
    if (auto known = cache->find(file); known != cache->end())
        return known->second;
    std::ifstream in(file);
    if (!in)
        throw std::runtime_error("Cannot read the dictionary " + file.string());
    auto dictionary = std::make_shared<SphinxDictionary>();
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string word;
        if (!(fields >> word))
            continue;
        // Alternative pronunciations are listed as "word(2)".
        if (const auto variant = word.find('('); variant != std::string::npos && variant > 0)
            word.erase(variant);
        dictionary->m_words.insert(word);
    }
    cache->emplace(file, dictionary);
    return dictionary;
}

std::vector<std::string> SphinxDictionary::wordsOf(const std::string &prompt)
{
    std::vector<std::string> words;
    QString word;
    const auto flush = [&] {
        while (word.startsWith('\'')) word.remove(0, 1);
        while (word.endsWith('\'')) word.chop(1);
        if (!word.isEmpty())
            words.push_back(word.toStdString());
        word.clear();
    };
    for (const QChar c : QString::fromStdString(prompt).toLower()) {
        if (c.isLetterOrNumber() || c == '\'')
            word += c;
        else
            flush();
    }
    flush();
    return words;
}
