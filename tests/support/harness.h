#pragma once

// The one harness of the client and program tests: an event pump that
// waits on conditions, a host that says lines and hears what it is sent,
// and boards dealt from letters.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

namespace vorlith::net {
class Dispatcher;
}

/// Runs the event loop and drains the dispatchers added (whose own timers
/// the tests stop) until a condition holds. It waits for events, never for
/// a fixed time; a deadline only ends a test that would hang.
class Pump
{
public:
    void add(vorlith::net::Dispatcher &dispatcher);
    /// Dispatchers that come and go (the computer players'): \a drain
    /// handles what waits in them and answers how many lines it handled.
    void add(std::function<int()> drain) { m_drains.push_back(std::move(drain)); }
    /// Handles every line waiting in the dispatchers; answers how many.
    int drain();
    /// Pumps until \a done holds; false when the deadline passed first.
    bool until(const std::function<bool()> &done, int timeoutMs = 5000);

private:
    QList<std::function<int()>> m_drains;
};

/// What the host said, handled at once: \a lines (each ended by the
/// terminator, or one line without it) go straight into the client's
/// dispatcher, as if they had just arrived.
void hostSays(vorlith::net::Dispatcher &client, const QByteArray &lines);

/// A host for one client on a free port of 127.0.0.1: it takes the
/// client's connection, says lines to it over the socket and hears the
/// bytes the client sends.
class FakeHost : public QObject
{
    Q_OBJECT
public:
    explicit FakeHost(QObject *parent = nullptr);

    quint16 port() const { return m_server.serverPort(); }
    /// Waits for the client's connection.
    bool accept(int timeoutMs = 5000);
    QTcpSocket *peer() const { return m_peer; }

    /// Sends \a line and the terminator.
    void say(const QByteArray &line);
    /// Waits until \a bytes are what the client sent since the last call,
    /// or more has come: answers everything that came. What the tests then
    /// compare is exact, so a stray byte shows.
    QByteArray hear(const QByteArray &bytes, int timeoutMs = 5000);
    /// Waits until the line \a barrier arrives (which the test had the
    /// client send last) and answers what the client sent before it since
    /// the last call: whatever the test's steps sent, and nothing more
    /// coming late, without waiting for a fixed time.
    QByteArray hearUntil(const QByteArray &barrier, int timeoutMs = 5000);
    /// Everything received and not yet taken, without waiting.
    QByteArray takeHeard();

private:
    QTcpServer m_server;
    QPointer<QTcpSocket> m_peer;
    QByteArray m_heard;
};

/// The makeboard line that deals \a letters (36 of 'A' to 'Z') by deal
/// position: down the first column, then the next.
QByteArray dealLine(const QString &letters);
