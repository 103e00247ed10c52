#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpSocket>

/// A port on 127.0.0.1 that was free a moment ago and that nobody listens
/// on now: connecting to it is refused.
quint16 closedPort();

/// A bare participant for tests: a real TCP connection that records every
/// line it receives (split at the terminator byte) and sends raw bytes.
class WireClient : public QObject
{
    Q_OBJECT
public:
    explicit WireClient(QObject *parent = nullptr);

    /// Connects to 127.0.0.1:\a port and waits for the connection.
    bool connectTo(quint16 port, int timeoutMs = 5000);
    /// Connects from the local address \a from (127.0.0.2, say: all of
    /// 127/8 is this machine) to 127.0.0.1:\a port.
    bool connectFrom(const QHostAddress &from, quint16 port, int timeoutMs = 5000);
    void sendRaw(const QByteArray &bytes);
    /// Sends \a line followed by the terminator.
    void sendLine(const QByteArray &line);

    /// Waits until at least \a count lines have arrived in total.
    bool waitForLines(int count, int timeoutMs = 5000);
    /// Waits until the host closes the connection.
    bool waitForClose(int timeoutMs = 5000);
    /// Waits until a line equal to \a line has arrived.
    bool waitForLine(const QByteArray &line, int timeoutMs = 5000);

    /// Lets the event loop run for \a ms and returns the lines that arrived:
    /// only for proving that nothing comes, where nothing else can tell.
    QList<QByteArray> settle(int ms = 100);

    QList<QByteArray> lines;
    QByteArray raw;
    qint64 sent{0}; ///< bytes handed to sendRaw()
    bool closed{false};
    QTcpSocket socket;

private:
    QByteArray m_carry;
};
