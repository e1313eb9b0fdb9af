#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

// The user's persistent key-value store: one JSON object in
// $XDG_CONFIG_HOME/Sayline/defaults.json (~/.config when unset).
//
// Values are typed by their JSON type: text, Boolean or double. A Boolean false
// and the text "false" are different values. The file is read once when the
// store is created and rewritten atomically after every change. A file that
// cannot be parsed is moved aside to defaults.json.corrupt and the store starts
// empty; it is never overwritten silently. A file without its owner's write
// permission is read but never rewritten.
class UserDefaults : public QObject
{
    Q_OBJECT
public:
    // The process-wide store, created on first use from the environment.
    static UserDefaults &standard();
    static QString standardFilePath();

    explicit UserDefaults(const QString &filePath, QObject *parent = nullptr);

    QString filePath() const { return m_filePath; }

    bool contains(const QString &key) const { return m_values.contains(key); }
    // The stored value; QJsonValue::Undefined when absent.
    QJsonValue object(const QString &key) const;
    std::optional<QString> string(const QString &key) const;
    std::optional<bool> boolean(const QString &key) const;
    std::optional<double> number(const QString &key) const;
    // Convenience readers with a fallback for absent or differently typed values.
    bool boolValue(const QString &key, bool fallback) const;
    double doubleValue(const QString &key, double fallback = 0.0) const;
    QStringList keys() const { return m_values.keys(); }

    void setString(const QString &key, const QString &value);
    void setBool(const QString &key, bool value);
    void setDouble(const QString &key, double value);
    void remove(const QString &key);

    // The last load or save problem, empty when there is none.
    QString lastError() const { return m_lastError; }

signals:
    // Emitted after a key's value changed (set to a different value, or removed).
    void valueChanged(const QString &key);

private:
    void load();
    void setValue(const QString &key, const QJsonValue &value);
    bool save();

    QString m_filePath;
    QJsonObject m_values;
    QString m_lastError;
    bool m_writable = true;
};
