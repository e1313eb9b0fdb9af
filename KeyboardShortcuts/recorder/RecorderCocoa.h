#pragma once

#include "../Name.h"
#include "../Shortcut.h"

#include <QPointer>
#include <QQuickItem>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <memory>
#include <optional>

class QKeyEvent;
class QMouseEvent;

namespace KeyboardShortcuts {

class LocalEventMonitor;

// The field that records the shortcut of one name. Idle it shows the stored
// shortcut (or a placeholder); focused it records: the next key combination is
// checked against Sayline's menus and the combinations the system holds, then
// stored. While any recorder records, the global shortcuts are paused and
// "KeyboardShortcuts_recorderActiveStatusDidChange" says so.
//
// The item draws nothing itself; Recorder.qml draws the field from `text`,
// `placeholderText`, `cancelButtonVisible` and `recording`, and marks the
// clear button's area with `cancelButtonRect`.
class RecorderCocoa : public QQuickItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString shortcutName READ shortcutNameRawValue WRITE setShortcutNameRawValue NOTIFY shortcutNameChanged)
    Q_PROPERTY(QString text READ text NOTIFY textChanged)
    Q_PROPERTY(QString placeholderText READ placeholderText NOTIFY placeholderTextChanged)
    Q_PROPERTY(bool cancelButtonVisible READ isCancelButtonVisible NOTIFY cancelButtonVisibleChanged)
    Q_PROPERTY(bool recording READ isRecording NOTIFY recordingChanged)
    Q_PROPERTY(QRectF cancelButtonRect READ cancelButtonRect WRITE setCancelButtonRect NOTIFY cancelButtonRectChanged)
    Q_PROPERTY(qreal minimumWidth READ minimumWidth CONSTANT)
public:
    using OnChange = std::function<void(const std::optional<Shortcut> &)>;

    explicit RecorderCocoa(QQuickItem *parent = nullptr);
    RecorderCocoa(const Name &name, OnChange onChange, QQuickItem *parent = nullptr);
    ~RecorderCocoa() override;

    Name shortcutName() const { return m_shortcutName; }
    void setShortcutName(const Name &name);
    QString shortcutNameRawValue() const { return m_shortcutName.rawValue; }
    void setShortcutNameRawValue(const QString &rawValue);

    OnChange onChange;

    QString text() const { return m_text; }
    QString placeholderText() const { return m_placeholderText; }
    bool isCancelButtonVisible() const { return m_cancelButtonVisible; }
    bool isRecording() const { return m_eventMonitor != nullptr; }
    bool canBecomeKey() const { return m_canBecomeKey; }
    qreal minimumWidth() const { return 130; }
    QRectF cancelButtonRect() const { return m_cancelButtonRect; }
    void setCancelButtonRect(const QRectF &rect);

    // A click on the clear button: empties the field, clears the shortcut and
    // keeps (or starts) recording.
    Q_INVOKABLE void pressCancelButton();
    // Makes no item of the window focused, which ends recording.
    Q_INVOKABLE void blur();

signals:
    void shortcutNameChanged();
    void textChanged();
    void placeholderTextChanged();
    void cancelButtonVisibleChanged();
    void recordingChanged();
    void cancelButtonRectChanged();
    // After every save or clear made in this control (QML's view of onChange).
    void shortcutChanged();

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void itemChange(ItemChange change, const ItemChangeData &value) override;

private:
    void construct();
    void showStoredShortcut();
    void setText(const QString &text);
    void setPlaceholderText(const QString &text);
    void setCancelButtonVisible(bool visible);
    void textDidChange();
    bool becomeFirstResponder();
    void startRecording();
    void endRecording();
    void movedToWindow(QQuickWindow *window);
    void runKeyViewGuard();
    // The monitor's handler: true lets the event through.
    bool handleMonitoredEvent(QObject *window, QEvent *event);
    bool handleKeyDown(QKeyEvent &event);
    int runAlert(const QString &message, const QString &informative = {}, const QStringList &buttons = {});

    Name m_shortcutName;
    QString m_text;
    QString m_placeholderText;
    bool m_cancelButtonVisible = false;
    bool m_canBecomeKey = false;
    // Set by becomeFirstResponder() until the focus arrives.
    bool m_focusRequested = false;
    QRectF m_cancelButtonRect;
    std::unique_ptr<LocalEventMonitor> m_eventMonitor;
    quint64 m_shortcutsNameChangeObserver = 0;
    QPointer<QQuickWindow> m_window;
    QMetaObject::Connection m_windowActiveObserver;
};

} // namespace KeyboardShortcuts
