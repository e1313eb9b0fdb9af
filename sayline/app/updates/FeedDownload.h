#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

struct FeedLimits
{
    std::chrono::milliseconds timeout{10000}; // for the whole download
    qint64 maximumSize = 1024 * 1024;         // bytes
};

// Feeds are fetched over HTTPS only; plain HTTP is accepted for the loopback
// host, where nobody can tamper with it.
bool isAllowedFeedUrl(const QUrl &url);

// One download of an update feed within the limits. It starts at once and ends
// with exactly one of finished() and failed(), always from the event loop.
// Redirects are followed only to allowed addresses.
class FeedDownload : public QObject
{
    Q_OBJECT
public:
    FeedDownload(QNetworkAccessManager &network, const QUrl &url, FeedLimits limits,
                 QObject *parent = nullptr);
    ~FeedDownload() override;

signals:
    void finished(const QByteArray &document);
    void failed(const QString &description);

private:
    void readAvailable();
    void complete();
    void fail(const QString &description);

    struct DeleteLater { void operator()(QObject *o) const { o->deleteLater(); } };
    FeedLimits m_limits;
    std::unique_ptr<QNetworkReply, DeleteLater> m_reply;
    QByteArray m_document;
    QTimer m_deadline;
    bool m_done = false;
};
