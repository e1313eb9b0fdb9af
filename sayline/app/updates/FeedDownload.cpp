#include "FeedDownload.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

QString sizeText(qint64 bytes)
{
    if (bytes % (1024 * 1024) == 0)
        return QStringLiteral("%1 MiB").arg(bytes / (1024 * 1024));
    if (bytes % 1024 == 0)
        return QStringLiteral("%1 KiB").arg(bytes / 1024);
    return QStringLiteral("%1 bytes").arg(bytes);
}

} // namespace

bool isAllowedFeedUrl(const QUrl &url)
{
    if (!url.isValid() || url.host().isEmpty())
        return false;
    if (url.scheme() == QLatin1String("https"))
        return true;
    if (url.scheme() != QLatin1String("http"))
        return false;
    if (url.host() == QLatin1String("localhost"))
        return true;
    const QHostAddress address(url.host());
    return !address.isNull() && address.isLoopback();
}

FeedDownload::FeedDownload(QNetworkAccessManager &network, const QUrl &url, FeedLimits limits,
                           QObject *parent)
    : QObject(parent)
    , m_limits(limits)
{
    m_deadline.setSingleShot(true);
    if (!isAllowedFeedUrl(url)) {
        QMetaObject::invokeMethod(this, [this, url] {
            fail(QStringLiteral("The update feed address is not an HTTPS address: %1").arg(url.toDisplayString()));
        }, Qt::QueuedConnection);
        return;
    }

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    m_reply.reset(network.get(request));

    connect(m_reply.get(), &QNetworkReply::redirected, this, [this](const QUrl &target) {
        if (isAllowedFeedUrl(target))
            emit m_reply->redirectAllowed();
        else
            fail(QStringLiteral("The update feed redirects to an address that is not HTTPS: %1")
                     .arg(target.toDisplayString()));
    });
    connect(m_reply.get(), &QNetworkReply::metaDataChanged, this, [this] {
        const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > m_limits.maximumSize)
            fail(QStringLiteral("The update feed is larger than %1").arg(sizeText(m_limits.maximumSize)));
    });
    connect(m_reply.get(), &QNetworkReply::readyRead, this, &FeedDownload::readAvailable);
    connect(m_reply.get(), &QNetworkReply::finished, this, &FeedDownload::complete);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        fail(QStringLiteral("The update server did not answer within %1 ms").arg(m_limits.timeout.count()));
    });
    m_deadline.start(m_limits.timeout);
}

FeedDownload::~FeedDownload()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

void FeedDownload::readAvailable()
{
    if (m_done)
        return;
    m_document += m_reply->read(m_limits.maximumSize + 1 - m_document.size());
    if (m_document.size() > m_limits.maximumSize)
        fail(QStringLiteral("The update feed is larger than %1").arg(sizeText(m_limits.maximumSize)));
}

void FeedDownload::complete()
{
    if (m_done)
        return;
    readAvailable();
    if (m_done)
        return;
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299)) {
        fail(QStringLiteral("The update server answered with HTTP status %1").arg(status.toInt()));
        return;
    }
    if (m_reply->error() != QNetworkReply::NoError || !status.isValid()) {
        fail(QStringLiteral("The update feed could not be loaded: %1").arg(m_reply->errorString()));
        return;
    }
    m_done = true;
    m_deadline.stop();
    emit finished(m_document);
}

void FeedDownload::fail(const QString &description)
{
    if (m_done)
        return;
    m_done = true;
    m_deadline.stop();
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
    emit failed(description);
}
