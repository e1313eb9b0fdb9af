#pragma once

// Seam: locale names.
//
// What the logic relies on:
//  - displayName(identifier, inLocale): the name of a locale identifier ("en", "en-US") written
//    in the language of inLocale ("English (United States)"), or nothing when no name is known.
//  - currentLocale(): the user's locale, from the environment.

#include <voxcore/Locale.h>

#include <QString>

#include <memory>
#include <optional>

class LocaleServices
{
public:
    virtual ~LocaleServices() = default;
    virtual std::optional<QString> displayName(const QString &identifier, const Locale &inLocale) const = 0;
    virtual Locale currentLocale() const = 0;
};

// The system's locale services (defined by the platform adapter).
std::shared_ptr<LocaleServices> defaultLocaleServices();
