#pragma once

#include <QString>

// A locale named by its identifier ("en-US"). QLocale would rewrite such identifiers
// ("en_US"), so the library keeps the identifier exactly as the recognizer reports it.
// Two locales are equal when their identifiers are equal.
class Locale
{
public:
    Locale() = default;
    explicit Locale(QString identifier) : m_identifier(std::move(identifier)) {}

    const QString &identifier() const { return m_identifier; }

    friend bool operator==(const Locale &, const Locale &) = default;

private:
    QString m_identifier;
};
