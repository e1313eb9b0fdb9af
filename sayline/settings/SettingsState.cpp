#include "SettingsState.h"

#include <QVariantMap>

void SettingsState::setSelectedCategory(SettingsCategory category)
{
    if (category == m_selectedCategory)
        return;
    m_selectedCategory = category;
    emit selectedCategoryChanged();
}

void SettingsState::setSelectedCategoryRawValue(const QString &rawValue)
{
    if (const auto category = SettingsCategory::fromRawValue(rawValue))
        setSelectedCategory(*category);
}

void SettingsState::setPath(const QVariantList &path)
{
    if (path == m_path)
        return;
    m_path = path;
    emit pathChanged();
}

QVariantList SettingsState::categories()
{
    QVariantList rows;
    for (const SettingsCategory category : SettingsCategory::allCases())
        rows.append(QVariantMap{{"rawValue", category.rawValue()}, {"symbolName", category.symbolName()}});
    return rows;
}
