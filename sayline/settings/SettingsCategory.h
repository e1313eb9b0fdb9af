#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// The fixed categories of the settings sidebar, in sidebar order. A category
// is identified by its raw value, which is also its sidebar title.
class SettingsCategory
{
public:
    enum Case { general, interface, voice, transcription, about };

    constexpr SettingsCategory(Case value) : m_value(value) {}

    // The matching case for an exact raw value ("General", not "general").
    static std::optional<SettingsCategory> fromRawValue(QStringView rawValue);
    static QList<SettingsCategory> allCases();

    Case value() const { return m_value; }
    QString rawValue() const;
    QString id() const { return rawValue(); }
    // The symbol shown beside the title; a bundled SVG of that name.
    QString symbolName() const;

    friend bool operator==(SettingsCategory a, SettingsCategory b) { return a.rawValue() == b.rawValue(); }

private:
    Case m_value;
};

inline size_t qHash(SettingsCategory category, size_t seed = 0)
{
    return qHash(category.rawValue(), seed);
}
