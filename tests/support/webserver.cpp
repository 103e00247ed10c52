#include "webserver.h"

#include <memory>

WebServer::WebServer(QObject *parent) : QObject(parent)
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *peer = m_server.nextPendingConnection()) {
            const int n = int(received.size());
            received.append(QByteArray());
            peers.append(peer);
            auto answered = std::make_shared<bool>(false);
            connect(peer, &QTcpSocket::readyRead, this, [this, peer, n, answered] {
                received[n] += peer->readAll();
                if (!*answered && received[n].contains("\r\n\r\n") && m_responder) {
                    *answered = true;
                    m_responder(peer, n);
                }
            });
            connect(peer, &QTcpSocket::disconnected, this, [this, peer] {
                ++closedByPeer;
                peer->deleteLater();
            });
        }
    });
}

QString WebServer::hostAndPort() const
{
    return QStringLiteral("127.0.0.1:%1").arg(port());
}

QUrl WebServer::url(const QString &path) const
{
    return QUrl(QStringLiteral("http://%1%2").arg(hostAndPort(), path));
}

WebServer::Responder WebServer::answer(const QByteArray &answer)
{
    return [answer](QTcpSocket *peer, int) {
        peer->write(answer);
        peer->disconnectFromHost();
    };
}

WebServer::Responder WebServer::stream(const QByteArray &head, const QByteArray &filler, qint64 limit)
{
    return [this, head, filler, limit](QTcpSocket *peer, int) {
        peer->write(head);
        streamed += head.size();
        // Keep a few blocks queued, no more: the test checks how much the
        // reader took before it gave up.
        auto topUp = [this, peer, filler, limit] {
            while (peer->state() == QAbstractSocket::ConnectedState && peer->bytesToWrite() < 4 * filler.size()
                   && (limit < 0 || streamed < limit)) {
                peer->write(filler);
                streamed += filler.size();
            }
        };
        connect(peer, &QTcpSocket::bytesWritten, peer, topUp);
        topUp();
    };
}

QByteArray httpAnswer(const QByteArray &status, const QByteArray &body, const QByteArray &moreHeaders)
{
    return "HTTP/1.0 " + status + "\r\n" + moreHeaders + "Content-Length: " + QByteArray::number(body.size())
           + "\r\n\r\n" + body;
}
