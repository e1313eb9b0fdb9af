#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

// A Boolean bound to one UserDefaults key, for QML:
//
//     StoredBool { id: showInMenuBar; key: "showInMenuBar"; defaultValue: true }
//
// `value` reads the stored Boolean (defaultValue when absent or not a
// Boolean); writing it stores the Boolean. Every StoredBool on the same key
// follows changes made anywhere in the process at once.
class StoredBool : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString key READ key WRITE setKey NOTIFY keyChanged)
    Q_PROPERTY(bool defaultValue READ defaultValue WRITE setDefaultValue NOTIFY defaultValueChanged)
    Q_PROPERTY(bool value READ value WRITE setValue NOTIFY valueChanged)
public:
    explicit StoredBool(QObject *parent = nullptr);

    QString key() const { return m_key; }
    void setKey(const QString &key);
    bool defaultValue() const { return m_defaultValue; }
    void setDefaultValue(bool value);
    bool value() const { return m_value; }
    void setValue(bool value);

signals:
    void keyChanged();
    void defaultValueChanged();
    void valueChanged();

private:
    void reload();

    QString m_key;
    bool m_defaultValue = false;
    bool m_value = false;
};
