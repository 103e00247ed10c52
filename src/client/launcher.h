#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

namespace vorlith::net {
class Sock;
}

namespace vorlith::client {

class ClientSession;

/// The launch step: reads the launch parameters and hosts a game (the host
/// engine listens and the own client joins this machine) or joins one; a
/// game started from parameters also opens the presence connection to the
/// lobby program, on which nothing is ever sent. It knows who this program
/// is: the player's name, the host's address, the login name and whether
/// this program hosts.
class Launcher : public QObject
{
    Q_OBJECT
public:
    struct Identity
    {
        QString playerName;
        QString hostAddress;
        QByteArray loginName; ///< player name + terminator, set when hosting or joining starts
        bool host{false};
    };

    explicit Launcher(ClientSession &session, QObject *parent = nullptr);

    /// The launch parameters (without the program's path).
    void setLaunchParameters(const QStringList &params) { m_params = params; }
    /// Whether the launch step will host a game with \a params: a solo game
    /// (no parameters) or three with "true" third.
    static bool hostsWith(const QStringList &params);
    /// Switches the host engine's listening socket on; throws net::SockError.
    void setHostStarter(std::function<void()> start) { m_startHost = std::move(start); }
    /// Where the client connects: the port of the host engine ("7772").
    void setGamePort(const QString &port) { m_gamePort = port; }
    void setPresencePort(const QString &port) { m_presencePort = port; }

    Identity &identity() { return m_identity; }
    const Identity &identity() const { return m_identity; }
    bool isHost() const { return m_identity.host; }
    net::Sock &presenceSock() { return *m_presence; }

    /// Acts on the launch parameters: no parameters host a solo game as
    /// "You"; three host ("true") or join the given address.
    void run();
    /// Hosts a game on this machine. Throws net::SockError when the host
    /// engine cannot listen; nothing else has changed then.
    void hostGame();
    /// Joins the game at the identity's host address.
    void joinGame();

Q_SIGNALS:
    /// The program's own notice for the chat.
    void systemLine(const QString &line);
    /// A solo game starts: the offer to fetch the lobby program is due.
    void soloStarted();
    /// This program now hosts (true) or does not (false): the start controls
    /// belong to the hosting player only.
    void hostingChanged(bool host);
    /// A step failed; the text is for the general error display.
    void failed(const QString &text);
    /// The launch step has run.
    void launched();

private:
    ClientSession &m_session;
    net::Sock *m_presence{nullptr};
    Identity m_identity;
    QStringList m_params;
    std::function<void()> m_startHost;
    QString m_gamePort{QStringLiteral("7772")};
    QString m_presencePort{QStringLiteral("9001")};
};

} // namespace vorlith::client
