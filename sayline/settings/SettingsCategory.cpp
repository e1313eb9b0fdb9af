#include "SettingsCategory.h"

namespace {
struct CategoryInfo
{
    SettingsCategory::Case value;
    const char *rawValue;
    const char *symbolName;
};

constexpr CategoryInfo categories[] = {
    {SettingsCategory::general, "General", "gearshape"},
    {SettingsCategory::interface, "Interface", "inset.filled.topleft.topright.bottomhalf.rectangle"},
    {SettingsCategory::voice, "Voice", "music.microphone"},
    {SettingsCategory::transcription, "Transcription", "note.text"},
    {SettingsCategory::about, "About", "info.circle"},
};

const CategoryInfo &infoFor(SettingsCategory::Case value)
{
    for (const auto &info : categories) {
        if (info.value == value)
            return info;
    }
    return categories[0];
}
} // namespace

std::optional<SettingsCategory> SettingsCategory::fromRawValue(QStringView rawValue)
{
    for (const auto &info : categories) {
        if (rawValue == QLatin1StringView(info.rawValue))
            return SettingsCategory(info.value);
    }
    return std::nullopt;
}

QList<SettingsCategory> SettingsCategory::allCases()
{
    QList<SettingsCategory> cases;
    for (const auto &info : categories)
        cases.append(SettingsCategory(info.value));
    return cases;
}

QString SettingsCategory::rawValue() const
{
    return QString::fromLatin1(infoFor(m_value).rawValue);
}

QString SettingsCategory::symbolName() const
{
    return QString::fromLatin1(infoFor(m_value).symbolName);
}
