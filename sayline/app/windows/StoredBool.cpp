#include "StoredBool.h"

#include "UserDefaults.h"

StoredBool::StoredBool(QObject *parent)
    : QObject(parent)
{
    connect(&UserDefaults::standard(), &UserDefaults::valueChanged, this, [this](const QString &changed) {
        if (changed == m_key)
            reload();
    });
}

void StoredBool::setKey(const QString &key)
{
    if (key == m_key)
        return;
    m_key = key;
    emit keyChanged();
    reload();
}

void StoredBool::setDefaultValue(bool value)
{
    if (value == m_defaultValue)
        return;
    m_defaultValue = value;
    emit defaultValueChanged();
    reload();
}

void StoredBool::setValue(bool value)
{
    if (m_key.isEmpty())
        return;
    UserDefaults::standard().setBool(m_key, value);
    reload();
}

void StoredBool::reload()
{
    const bool current = m_key.isEmpty() ? m_defaultValue : UserDefaults::standard().boolValue(m_key, m_defaultValue);
    if (current == m_value)
        return;
    m_value = current;
    emit valueChanged();
}
