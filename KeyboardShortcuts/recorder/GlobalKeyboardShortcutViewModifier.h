#pragma once

#include "../Name.h"
#include "../Shortcut.h"

#include <QKeySequence>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <optional>

namespace KeyboardShortcuts {

// Gives an in-window control the stored shortcut of a name as its keyboard
// shortcut, following changes of the name at once. While a recorder records,
// the control has no shortcut, so the key combination reaches the recorder.
//
//     GlobalKeyboardShortcutViewModifier { id: toggle; name: "toggleMainWindow" }
//     Shortcut { sequence: toggle.sequence; enabled: toggle.sequence !== ""; onActivated: ... }
class GlobalKeyboardShortcutViewModifier : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    // The portable text of keySequence(), empty when there is none.
    Q_PROPERTY(QString sequence READ sequence NOTIFY sequenceChanged)
    Q_PROPERTY(bool isRecorderActive READ isRecorderActive NOTIFY sequenceChanged)
public:
    explicit GlobalKeyboardShortcutViewModifier(QObject *parent = nullptr);
    ~GlobalKeyboardShortcutViewModifier() override;

    QString name() const { return m_name; }
    void setName(const QString &name);
    bool isRecorderActive() const { return m_isRecorderActive; }

    // The name's stored shortcut, read afresh, in Qt's form; empty while a
    // recorder is active, without a stored shortcut, or for a key without an
    // equivalent (keypad keys, keys that type nothing).
    QKeySequence keySequence() const;
    QString sequence() const { return keySequence().toString(QKeySequence::PortableText); }

    // The conversion itself.
    static QKeySequence keySequence(const Shortcut &shortcut);

signals:
    void nameChanged();
    void sequenceChanged();

private:
    QString m_name;
    bool m_isRecorderActive = false;
    bool m_triggerRefresh = false;
    quint64 m_shortcutObserver = 0;
    quint64 m_recorderObserver = 0;
};

} // namespace KeyboardShortcuts
