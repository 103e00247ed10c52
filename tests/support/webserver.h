#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <functional>

/// A scripted web server on 127.0.0.1 and a free port. Records what each
/// connection sent and, once a request's head is complete, hands the
/// connection to the responder.
class WebServer : public QObject
{
    Q_OBJECT
public:
    using Responder = std::function<void(QTcpSocket *peer, int connection)>;

    explicit WebServer(QObject *parent = nullptr);

    quint16 port() const { return m_server.serverPort(); }
    /// "127.0.0.1:port", as a server setting.
    QString hostAndPort() const;
    QUrl url(const QString &path) const;

    void setResponder(Responder responder) { m_responder = std::move(responder); }

    /// A responder that writes \a answer and closes the connection.
    static Responder answer(const QByteArray &answer);
    /// A responder that writes \a head and then \a filler again and again
    /// while the peer keeps reading, until \a limit bytes in all (no limit
    /// when negative); the bytes sent are counted in streamed.
    Responder stream(const QByteArray &head, const QByteArray &filler, qint64 limit = -1);

    /// Everything each connection has sent, in the order they connected.
    QList<QByteArray> received;
    /// Connections the peer has closed.
    int closedByPeer{0};
    /// Bytes written by stream().
    qint64 streamed{0};
    QList<QPointer<QTcpSocket>> peers;

private:
    QTcpServer m_server;
    Responder m_responder;
};

/// A whole answer with a Content-Length.
QByteArray httpAnswer(const QByteArray &status, const QByteArray &body, const QByteArray &moreHeaders = {});
