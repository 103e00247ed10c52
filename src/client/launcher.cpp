#include "client/launcher.h"

#include "client/clientsession.h"
#include "net/hostport.h"
#include "net/protocol.h"
#include "net/sock.h"

#include <QLoggingCategory>

// Quiet unless asked for: an outside observer learns when the launch step
// is over, and with it every connection it would make has been begun.
Q_LOGGING_CATEGORY(lcLaunch, "vorlith.client.launch", QtWarningMsg)

namespace vorlith::client {

Launcher::Launcher(ClientSession &session, QObject *parent)
    : QObject(parent), m_session(session), m_presence(new net::Sock(this))
{
    m_presence->setHostName(QStringLiteral("127.0.0.1"));
}

bool Launcher::hostsWith(const QStringList &params)
{
    return params.isEmpty() || (params.size() >= 3 && params.at(2) == QLatin1String("true"));
}

void Launcher::run()
{
    Q_EMIT hostingChanged(false);
    m_identity.loginName.clear();

    if (m_params.isEmpty()) {
        Q_EMIT systemLine(QStringLiteral("Loading Solo Game..Please wait."));
        Q_EMIT soloStarted();
        m_identity.hostAddress = QStringLiteral("127.0.0.1");
        m_identity.playerName = QStringLiteral("You");
        try {
            hostGame();
        } catch (const net::SockError &e) {
            Q_EMIT failed(e.text());
        }
        qCInfo(lcLaunch) << "launch step done";
        Q_EMIT launched();
        return;
    }

    Q_EMIT systemLine(QStringLiteral("Loading Multi-player Game.. Please Wait."));
    if (m_params.size() >= 3) {
        m_identity.playerName = m_params.at(0);
        m_identity.hostAddress = m_params.at(1);
        try {
            if (hostsWith(m_params))
                hostGame();
            else
                joinGame();
            m_presence->setPortName(m_presencePort);
            m_presence->open();
        } catch (const net::SockError &e) {
            Q_EMIT failed(e.text());
        }
    }
    qCInfo(lcLaunch) << "launch step done";
    Q_EMIT launched();
}

void Launcher::hostGame()
{
    if (m_startHost)
        m_startHost();
    m_identity.loginName = net::proto::bytes(m_identity.playerName) + '\xff';
    m_identity.host = true;
    m_session.setLoginName(m_identity.loginName);
    // The own client always joins this machine, whatever address was given.
    m_session.connectTo(QStringLiteral("127.0.0.1"), m_gamePort);
    Q_EMIT hostingChanged(true);
}

void Launcher::joinGame()
{
    m_identity.loginName = net::proto::bytes(m_identity.playerName) + '\xff';
    m_session.setLoginName(m_identity.loginName);
    // A table server's table has a port of its own in the address; a bare
    // host is the game's port. What cannot be read is dialled as given and
    // fails as unreachable, with the reason shown.
    const std::optional<net::HostPort> where =
        net::parseHostPort(m_identity.hostAddress, m_gamePort.toUShort());
    if (where)
        m_session.connectTo(where->host, QString::number(where->port));
    else
        m_session.connectTo(m_identity.hostAddress, m_gamePort);
    Q_EMIT hostingChanged(false);
}

} // namespace vorlith::client
