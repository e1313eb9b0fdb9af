#include "NotificationCenter.h"

#include <vector>

NotificationCenter &NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

NotificationCenter::Token NotificationCenter::addObserver(const QString &name, QObject *context, Handler handler)
{
    const Token token = m_nextToken++;
    m_observers.emplace(token, Observer{name, context != nullptr, context, std::move(handler)});
    if (context) {
        QObject::connect(context, &QObject::destroyed, [this, token] { removeObserver(token); });
    }
    return token;
}

void NotificationCenter::removeObserver(Token token)
{
    m_observers.erase(token);
}

void NotificationCenter::post(const QString &name, const QVariantMap &userInfo)
{
    const Notification notification{name, userInfo};
    // Observers may add or remove observers while being called: walk a snapshot
    // of the tokens and skip those removed meanwhile.
    std::vector<Token> tokens;
    for (const auto &[token, observer] : m_observers) {
        if (observer.name.isEmpty() || observer.name == name)
            tokens.push_back(token);
    }
    for (Token token : tokens) {
        const auto it = m_observers.find(token);
        if (it == m_observers.end())
            continue;
        if (it->second.hasContext && !it->second.context)
            continue;
        const Handler handler = it->second.handler; // the observer may remove itself
        handler(notification);
    }
}
