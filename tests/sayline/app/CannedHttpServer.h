#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <memory>

// A minimal HTTP server on 127.0.0.1 that answers every request with one
// canned response, or not at all.
class CannedHttpServer : public QObject
{
public:
    struct Response
    {
        int status = 200;
        QByteArray body;
        bool sendLength = true;  // without it the body ends when the connection closes
        QByteArray location;     // for redirects
    };

    CannedHttpServer()
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                m_sockets.emplace_back(socket);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            }
        });
    }

    bool listen() { return m_server.listen(QHostAddress::LocalHost); }
    QUrl url(const QString &path = QStringLiteral("/appcast.xml")) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }
    void setResponse(int status, const QByteArray &body, bool sendLength = true, const QByteArray &location = {})
    {
        m_response = {status, body, sendLength, location};
        m_silent = false;
    }
    // Accepts requests and never answers them.
    void setSilent() { m_silent = true; }
    int requestCount() const { return m_requests; }

private:
    void serve(QTcpSocket *socket)
    {
        QByteArray &request = m_pending[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        request.clear();
        ++m_requests;
        if (m_silent)
            return;
        QByteArray head = "HTTP/1.1 " + QByteArray::number(m_response.status) + " Canned\r\n"
                          "Content-Type: application/rss+xml\r\n";
        if (!m_response.location.isEmpty())
            head += "Location: " + m_response.location + "\r\n";
        if (m_response.sendLength)
            head += "Content-Length: " + QByteArray::number(m_response.body.size()) + "\r\n";
        head += "Connection: close\r\n\r\n";
        socket->write(head + m_response.body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    std::vector<std::unique_ptr<QTcpSocket>> m_sockets;
    QHash<QTcpSocket *, QByteArray> m_pending;
    Response m_response;
    bool m_silent = false;
    int m_requests = 0;
};
