#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <map>

struct Notification
{
    QString name;
    QVariantMap userInfo;
};

// Process-wide publish/subscribe by name. Observers run synchronously, on the
// posting thread, in the order they were added. Main thread only.
class NotificationCenter
{
public:
    using Token = quint64;
    using Handler = std::function<void(const Notification &)>;

    static NotificationCenter &defaultCenter();

    // Observes `name` (every name when empty). With a context object the
    // observer is removed automatically when the context is destroyed.
    Token addObserver(const QString &name, QObject *context, Handler handler);
    Token addObserver(const QString &name, Handler handler) { return addObserver(name, nullptr, std::move(handler)); }
    void removeObserver(Token token);

    void post(const QString &name, const QVariantMap &userInfo = {});

private:
    struct Observer
    {
        QString name;
        bool hasContext = false;
        QPointer<QObject> context;
        Handler handler;
    };
    std::map<Token, Observer> m_observers;
    Token m_nextToken = 1;
};
