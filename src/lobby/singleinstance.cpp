#include "lobby/singleinstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QTimer>

Q_LOGGING_CATEGORY(lcInstance, "vorlith.lobby.instance")

namespace vorlith::lobby {

SingleInstance::SingleInstance(QString name, QObject *parent)
    : QObject(parent), m_name(std::move(name))
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultName()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return QDir(runtime).filePath(QStringLiteral("vorlith-lobby"));
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    return QStringLiteral("vorlith-lobby-") + user;
}

void SingleInstance::start()
{
    m_probe = new QLocalSocket(this);
    m_deadline = new QTimer(this);
    m_deadline->setSingleShot(true);
    // A lobby that hangs without answering is not worth waiting for.
    connect(m_deadline, &QTimer::timeout, this, &SingleInstance::becomeFirst);
    connect(m_probe, &QLocalSocket::connected, this, [this] { m_probe->write(RaiseRequest); });
    connect(m_probe, &QLocalSocket::bytesWritten, this, [this] {
        if (m_probe->bytesToWrite() > 0 || m_role != Role::Undecided)
            return;
        m_deadline->stop();
        m_role = Role::Second;
        m_probe->disconnectFromServer();
        Q_EMIT decided(m_role);
    });
    connect(m_probe, &QLocalSocket::errorOccurred, this, [this] {
        if (m_role == Role::Undecided)
            becomeFirst();
    });
    m_deadline->start(AnswerMs);
    m_probe->connectToServer(m_name);
}

void SingleInstance::becomeFirst()
{
    if (m_role != Role::Undecided)
        return;
    m_deadline->stop();
    m_probe->disconnect(this);
    m_probe->abort();
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptPeer);
    // Nobody answered, so a socket file left there is a crashed lobby's.
    QLocalServer::removeServer(m_name);
    if (!m_server->listen(m_name))
        qCWarning(lcInstance) << "cannot listen on" << m_name << m_server->errorString()
                              << "- a second lobby will not find this one";
    m_role = Role::First;
    Q_EMIT decided(m_role);
}

void SingleInstance::acceptPeer()
{
    while (QLocalSocket *peer = m_server->nextPendingConnection()) {
        peer->setParent(this);
        peer->setReadBufferSize(RaiseRequest.size());
        auto *timer = new QTimer(peer);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, peer, &QLocalSocket::abort);
        timer->start(AnswerMs);
        connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
            if (peer->bytesAvailable() < RaiseRequest.size())
                return;
            const bool raise = peer->read(RaiseRequest.size()) == RaiseRequest;
            peer->abort();
            if (raise)
                Q_EMIT raiseRequested();
        });
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
    }
}

} // namespace vorlith::lobby
