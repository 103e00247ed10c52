#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>

namespace vorlith::lobby {

/// One start of the game program.
struct Launch
{
    QString program;
    QStringList arguments;
    /// Added to the lobby's own environment.
    QProcessEnvironment environment;

    bool operator==(const Launch &other) const
    {
        return program == other.program && arguments == other.arguments &&
               environment == other.environment;
    }
};

/// Builds the game's command lines and starts it.
class GameLauncher
{
public:
    /// Starts a program detached; false when it could not be started.
    using Starter = std::function<bool(const Launch &)>;

    /// \a lobbyFolder is where the lobby's executable lies; the game beside
    /// it is preferred to the one on PATH.
    explicit GameLauncher(QString lobbyFolder);

    /// The game program: "vorlith" beside the lobby, else the one on PATH;
    /// empty when there is none.
    QString program() const;
    /// The folder the game program lies in (for its settings file).
    QString programFolder() const;

    /// The port of the presence server, handed to the game when it is not
    /// the game's own default.
    void setPresencePort(quint16 port) { m_presencePort = port; }

    /// "--may-start --join NAME HOST:PORT" for a table on a server.
    Launch joinTable(const QString &name, const QString &host, quint16 port) const;
    /// "--join NAME ADDRESS" for a game on the local network.
    Launch joinLocal(const QString &name, const QString &address) const;
    /// "--host NAME".
    Launch host(const QString &name) const;

    /// "host:port", with an IPv6 address in brackets.
    static QString dialAddress(const QString &host, quint16 port);

    /// Replaces the real start (tests record instead).
    void setStarter(Starter starter) { m_starter = std::move(starter); }
    bool start(const Launch &launch) const;

    static constexpr quint16 DefaultPresencePort = 9001;

private:
    Launch make(const QStringList &arguments) const;

    QString m_lobbyFolder;
    quint16 m_presencePort{DefaultPresencePort};
    Starter m_starter;
};

} // namespace vorlith::lobby
