#include "LiveTranscript.h"

#include <utility>

void LiveTranscript::report(const QString &text)
{
    std::lock_guard guard(m_lock);
    m_latest = text;
}

QString LiveTranscript::latestText()
{
    std::lock_guard guard(m_lock);
    return m_latest;
}

void LiveTranscript::end(const QString &text)
{
    std::function<void(QString)> done;
    {
        std::lock_guard guard(m_lock);
        m_ended = true;
        m_latest = text;
        done = std::exchange(m_onEnd, nullptr);
    }
    if (done)
        done(text);
}

bool LiveTranscript::awaitEnd(std::function<void(QString)> done)
{
    QString text;
    {
        std::lock_guard guard(m_lock);
        m_finishing = true;
        if (!m_ended) {
            m_onEnd = std::move(done);
            return true;
        }
        text = m_latest;
    }
    done(text);
    return false;
}

bool LiveTranscript::giveUp()
{
    std::function<void(QString)> done;
    QString text;
    {
        std::lock_guard guard(m_lock);
        done = std::exchange(m_onEnd, nullptr);
        text = m_latest;
    }
    if (!done)
        return false;
    done(text);
    return true;
}

bool LiveTranscript::isFinishing()
{
    std::lock_guard guard(m_lock);
    return m_finishing;
}

bool LiveTranscript::isOver()
{
    std::lock_guard guard(m_lock);
    return m_ended || (m_finishing && !m_onEnd);
}
