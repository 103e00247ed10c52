#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTcpSocket>

#include <memory>
#include <vector>

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

    /// Logs in as \a name in \a slot the way the program does (its name
    /// keeps a terminator of its own) and waits until the host announces
    /// it; the client keeps its slot and name for roundTrip().
    bool logIn(int slot, const QByteArray &name, const QByteArray &version = "1.0.3");
    /// A round trip through the host: says an action line as the logged-in
    /// player and waits until it comes back to this client and to each of
    /// \a hearers. The host handles one connection's lines in order and
    /// writes to each connection in order, so by then every line this client
    /// sent before has been handled, and whatever the host said to any of
    /// them before the echo has arrived. False when an echo never came (a
    /// hearer that was closed never hears it).
    bool roundTrip(const QList<WireClient *> &hearers = {}, int timeoutMs = 5000);
    /// True for the echo of a roundTrip(), which tests leave out of what
    /// they compare.
    static bool isRoundTrip(const QByteArray &line);
    /// The lines received, without the echoes of round trips.
    QList<QByteArray> heard() const;

    /// Waits until at least \a count lines have arrived in total.
    bool waitForLines(int count, int timeoutMs = 5000);
    /// Waits until the host closes the connection.
    bool waitForClose(int timeoutMs = 5000);
    /// Waits until a line equal to \a line has arrived.
    bool waitForLine(const QByteArray &line, int timeoutMs = 5000);

    QList<QByteArray> lines;
    QByteArray raw;
    qint64 sent{0}; ///< bytes handed to sendRaw()
    bool closed{false};
    int slot{0};     ///< as logged in
    QByteArray name; ///< as logged in
    QTcpSocket socket;

private:
    QByteArray m_carry;
};

/// The raw participants of one test at a host: each connects from
/// 127.0.0.1 unless told otherwise, and all go with the table.
class WireTable
{
public:
    explicit WireTable(quint16 port = 0) : port(port) {}

    /// Connects a participant; when \a slot is not 0, waits until the host
    /// offers that slot as its first line. Null when that did not happen.
    WireClient *connect(int slot, const QHostAddress &from = QHostAddress(QHostAddress::LocalHost));
    /// Connects and logs in as \a name in \a slot.
    WireClient *join(int slot, const QByteArray &name, const QByteArray &version = "1.0.3",
                     const QHostAddress &from = QHostAddress(QHostAddress::LocalHost));
    /// Takes a participant connected by the test itself into the table.
    WireClient *adopt(std::unique_ptr<WireClient> client);
    /// Every participant still connected.
    QList<WireClient *> connected() const;
    WireClient *at(size_t i) const { return clients.at(i).get(); }
    void clear() { clients.clear(); }

    quint16 port;
    std::vector<std::unique_ptr<WireClient>> clients;
};
