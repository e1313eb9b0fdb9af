#pragma once

#include <OutputTarget.h>

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <optional>

class AppState;
class UserDefaults;

// The output-target switches of the General settings page. Each switch shows
// whether its target is in AppState's list; switching changes that list and
// writes the whole list to "outputTargets". Auto Insert can only be switched
// on while the process may type into other windows; otherwise the switch asks
// for that permission instead.
class OutputTargetToggles : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QStringList targets READ targets NOTIFY targetsChanged)
    Q_PROPERTY(QStringList allTargets READ allTargets CONSTANT)
    Q_PROPERTY(bool accessibilityTrusted READ accessibilityTrusted NOTIFY accessibilityTrustedChanged)
public:
    struct EncodeResult
    {
        std::optional<QByteArray> data;
        QString error;
    };
    using Encoder = std::function<EncodeResult(const QList<OutputTarget> &)>;

    // Works on AppState::shared() and UserDefaults::standard().
    explicit OutputTargetToggles(QObject *parent = nullptr);
    OutputTargetToggles(AppState &appState, UserDefaults &defaults, Encoder encoder = {}, QObject *parent = nullptr);

    bool isOn(OutputTarget target) const;
    // The pasteboard switch is always usable; Auto Insert only while trusted.
    bool isSwitchEnabled(OutputTarget target) const;
    void setOn(OutputTarget target, bool on);

    QStringList targets() const;
    static QStringList allTargets();
    bool accessibilityTrusted() const { return m_trusted; }

    // For QML: unknown raw values are ignored.
    Q_INVOKABLE void setTargetEnabled(const QString &rawValue, bool on);
    Q_INVOKABLE void requestAccessibilityPermission();
    Q_INVOKABLE void recheckAccessibilityPermission();
    // Reads the trust state again (the status row redraws when it changed).
    Q_INVOKABLE void refreshAccessibilityTrust();

signals:
    void targetsChanged();
    void accessibilityTrustedChanged();

private:
    void save();
    void watchForTrust();

    QPointer<AppState> m_appState;
    UserDefaults &m_defaults;
    Encoder m_encoder;
    bool m_trusted = false;
    // After a request, the answer may come from a dialog of the desktop's own, at any time.
    QTimer m_trustWatch;
    int m_trustWatchTicks = 0;
};
