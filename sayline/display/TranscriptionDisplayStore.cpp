#include "TranscriptionDisplayStore.h"

#include <QStringList>

TranscriptionDisplayStore::TranscriptionDisplayStore(QObject *parent)
    : QObject(parent)
{
    setupDebounce();
}

void TranscriptionDisplayStore::setupDebounce()
{
    m_debounce.setSingleShot(true);
    m_debounce.setTimerType(Qt::PreciseTimer);
    m_debounce.setInterval(debounceIntervalMs);
    connect(&m_debounce, &QTimer::timeout, this, &TranscriptionDisplayStore::deliverDebounced);
}

void TranscriptionDisplayStore::send(const QString &value)
{
    m_pending = value;
    m_debounce.start();
}

void TranscriptionDisplayStore::deliverDebounced()
{
    // Duplicate removal compares with the previous value that got through.
    if (m_lastPassed && *m_lastPassed == m_pending)
        return;
    m_lastPassed = m_pending;
    receive(m_pending);
}

void TranscriptionDisplayStore::receive(const QString &text)
{
    const QString old = m_debouncedText;
    if (text != m_debouncedText) {
        m_debouncedText = text;
        emit debouncedTextChanged();
    }
    if (!text.isEmpty() && text != old) {
        m_animationTrigger = !m_animationTrigger;
        emit animationTriggerChanged();
    }
}

QString TranscriptionDisplayStore::displayText(const QString &text)
{
    const QString trimmed = text.trimmed();
    const QStringList words = trimmed.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() <= maximumDisplayedWords)
        return trimmed;
    return QStringLiteral("...") + words.mid(words.size() - maximumDisplayedWords).join(QLatin1Char(' '));
}
