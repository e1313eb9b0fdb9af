#include "OutputTargetToggles.h"

#include <AppState.h>
#include <StandardOutput.h>
#include <UserDefaults.h>

#include <QTimer>

namespace {
// The re-check of AppState runs half a second later; look again after it.
constexpr int trustReadDelayAfterRecheckMs = 600;
// How often, and how long, the trust is read again after a request: long enough for a user to
// answer the desktop's consent dialog.
constexpr int trustWatchIntervalMs = 500;
constexpr int trustWatchTicks = 240;

OutputTargetToggles::EncodeResult standardEncode(const QList<OutputTarget> &targets)
{
    return {encodeOutputTargets(targets), {}};
}
} // namespace

OutputTargetToggles::OutputTargetToggles(QObject *parent)
    : OutputTargetToggles(AppState::shared(), UserDefaults::standard(), {}, parent)
{
}

OutputTargetToggles::OutputTargetToggles(AppState &appState, UserDefaults &defaults, Encoder encoder, QObject *parent)
    : QObject(parent)
    , m_appState(&appState)
    , m_defaults(defaults)
    , m_encoder(encoder ? std::move(encoder) : Encoder(standardEncode))
{
    connect(&appState, &AppState::outputTargetsChanged, this, [this] {
        emit targetsChanged();
        refreshAccessibilityTrust();
    });
    m_trusted = appState.checkAccessibilityPermission();
    m_trustWatch.setInterval(trustWatchIntervalMs);
    connect(&m_trustWatch, &QTimer::timeout, this, [this] {
        refreshAccessibilityTrust();
        if (m_trusted || ++m_trustWatchTicks >= trustWatchTicks)
            m_trustWatch.stop();
    });
}

bool OutputTargetToggles::isOn(OutputTarget target) const
{
    return m_appState && m_appState->outputTargets().contains(target);
}

bool OutputTargetToggles::isSwitchEnabled(OutputTarget target) const
{
    return target != OutputTarget::autoInsert || (m_appState && m_appState->checkAccessibilityPermission());
}

void OutputTargetToggles::setOn(OutputTarget target, bool on)
{
    if (!m_appState)
        return;
    AppState &appState = *m_appState;
    QList<OutputTarget> targets = appState.outputTargets();
    if (on) {
        if (target == OutputTarget::autoInsert && !appState.checkAccessibilityPermission()) {
            appState.requestAccessibilityPermission();
            refreshAccessibilityTrust();
            return;
        }
        if (!targets.contains(target)) {
            targets.append(target);
            appState.setOutputTargets(targets);
        }
    } else {
        targets.removeAll(target);
        appState.setOutputTargets(targets);
    }
    save();
}

void OutputTargetToggles::save()
{
    const EncodeResult encoded = m_encoder(m_appState->outputTargets());
    if (!encoded.data) {
        writeLogLine(QStringLiteral("Failed to save output targets: ") + encoded.error);
        return;
    }
    m_defaults.setString(QStringLiteral("outputTargets"), QString::fromUtf8(*encoded.data));
}

QStringList OutputTargetToggles::targets() const
{
    return m_appState ? m_appState->outputTargetValues() : QStringList{};
}

QStringList OutputTargetToggles::allTargets()
{
    QStringList values;
    for (const OutputTarget target : allOutputTargets)
        values.append(rawValue(target));
    return values;
}

void OutputTargetToggles::setTargetEnabled(const QString &value, bool on)
{
    if (const auto target = fromRawValue<OutputTarget>(value))
        setOn(*target, on);
}

void OutputTargetToggles::requestAccessibilityPermission()
{
    if (!m_appState)
        return;
    m_appState->requestAccessibilityPermission();
    refreshAccessibilityTrust();
    watchForTrust();
}

void OutputTargetToggles::watchForTrust()
{
    if (m_trusted)
        return;
    m_trustWatchTicks = 0;
    m_trustWatch.start();
}

void OutputTargetToggles::recheckAccessibilityPermission()
{
    if (!m_appState)
        return;
    m_appState->recheckAccessibilityPermission();
    QTimer::singleShot(trustReadDelayAfterRecheckMs, this, &OutputTargetToggles::refreshAccessibilityTrust);
}

void OutputTargetToggles::refreshAccessibilityTrust()
{
    const bool trusted = m_appState && m_appState->checkAccessibilityPermission();
    if (trusted == m_trusted)
        return;
    m_trusted = trusted;
    emit accessibilityTrustedChanged();
}
