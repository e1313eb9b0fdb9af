// Locale names from ICU; the user's locale from the environment.

#include "platform/LocaleServices.h"

#include <unicode/uloc.h>
#include <unicode/ustring.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

std::string canonicalIcuId(const std::string &identifier)
{
    char buffer[ULOC_FULLNAME_CAPACITY] = {};
    UErrorCode status = U_ZERO_ERROR;
    uloc_forLanguageTag(identifier.c_str(), buffer, sizeof buffer, nullptr, &status);
    if (U_FAILURE(status) || !*buffer)
        return identifier;
    return buffer;
}

std::optional<std::string> toUtf8(const UChar *text, int32_t length)
{
    char utf8[1024];
    int32_t utf8Length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8(utf8, sizeof utf8, &utf8Length, text, length, &status);
    if (U_FAILURE(status))
        return std::nullopt;
    return std::string(utf8, static_cast<std::size_t>(utf8Length));
}

std::optional<std::string> icuDisplayName(const std::string &identifier, const std::string &displayLocale)
{
    if (identifier.empty())
        return std::nullopt;
    const std::string subject = canonicalIcuId(identifier);
    const std::string reader = canonicalIcuId(displayLocale);
    // ICU names unknown languages by their code ("xx (YY)"); that is no name at all.
    UChar language[128];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t languageLength = uloc_getDisplayLanguage(subject.c_str(), reader.c_str(), language, 128, &status);
    char code[ULOC_LANG_CAPACITY] = {};
    UErrorCode codeStatus = U_ZERO_ERROR;
    uloc_getLanguage(subject.c_str(), code, sizeof code, &codeStatus);
    if (U_FAILURE(status) || languageLength <= 0 || toUtf8(language, languageLength) == std::string(code))
        return std::nullopt;
    UChar name[256];
    status = U_ZERO_ERROR;
    const int32_t length = uloc_getDisplayName(subject.c_str(), reader.c_str(), name, 256, &status);
    if (U_FAILURE(status) || length <= 0)
        return std::nullopt;
    return toUtf8(name, length);
}

// "de_DE.UTF-8@euro" -> "de-DE"; "C" and "POSIX" name no language.
std::string localeIdentifierFromPosix(const std::string &posixName)
{
    std::string name = posixName.substr(0, posixName.find_first_of(".@"));
    if (name.empty() || name == "C" || name == "POSIX")
        return {};
    for (char &c : name)
        if (c == '_')
            c = '-';
    return name;
}

// LC_ALL, LC_MESSAGES, LANG: the variables that choose the language of messages, in POSIX order.
std::string userLocaleIdentifier()
{
    for (const char *variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char *value = std::getenv(variable);
        if (!value || !*value)
            continue;
        if (std::string identifier = localeIdentifierFromPosix(value); !identifier.empty())
            return identifier;
    }
    return "en-US";
}

class IcuLocaleServices : public LocaleServices
{
public:
    std::optional<QString> displayName(const QString &identifier, const Locale &inLocale) const override
    {
        auto name = icuDisplayName(identifier.toStdString(), inLocale.identifier().toStdString());
        if (!name)
            return std::nullopt;
        return QString::fromStdString(*name);
    }

    Locale currentLocale() const override { return Locale(QString::fromStdString(userLocaleIdentifier())); }
};

} // namespace

std::shared_ptr<LocaleServices> defaultLocaleServices()
{
    return std::make_shared<IcuLocaleServices>();
}
