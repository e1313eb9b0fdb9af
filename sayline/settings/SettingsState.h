#pragma once

#include "SettingsCategory.h"

#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

// Which category the settings window shows. Lives as long as the window's
// content; nothing of it is stored. Signals fire only on a real change.
class SettingsState : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    // The selected category's raw value. Texts that are no category are ignored.
    Q_PROPERTY(QString selectedCategory READ selectedCategoryRawValue WRITE setSelectedCategoryRawValue
                   NOTIFY selectedCategoryChanged)
    // A navigation path no view binds; it stays empty.
    Q_PROPERTY(QVariantList path READ path WRITE setPath NOTIFY pathChanged)
    // The sidebar rows: {rawValue, symbolName} for every category, in order.
    Q_PROPERTY(QVariantList categories READ categories CONSTANT)
public:
    using QObject::QObject;

    SettingsCategory selectedCategory() const { return m_selectedCategory; }
    void setSelectedCategory(SettingsCategory category);

    QString selectedCategoryRawValue() const { return m_selectedCategory.rawValue(); }
    void setSelectedCategoryRawValue(const QString &rawValue);

    QVariantList path() const { return m_path; }
    void setPath(const QVariantList &path);

    static QVariantList categories();

signals:
    void selectedCategoryChanged();
    void pathChanged();

private:
    SettingsCategory m_selectedCategory = SettingsCategory::general;
    QVariantList m_path;
};
