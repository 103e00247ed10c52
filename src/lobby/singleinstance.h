#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;
class QTimer;

namespace vorlith::lobby {

/// Keeps one lobby per user: the first start listens on a local socket of
/// the user's own; a later start finds it there, asks it to show itself and
/// ends.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    /// What a start turned out to be.
    enum class Role
    {
        Undecided,
        First,  ///< this process is the lobby
        Second, ///< another lobby was asked to show itself
    };
    static constexpr int AnswerMs = 3000;
    /// The raise request, the only thing ever said.
    static inline const QByteArray RaiseRequest = QByteArrayLiteral("raise\n");

    explicit SingleInstance(QString name, QObject *parent = nullptr);
    ~SingleInstance() override;

    /// The socket of this user's lobby: in XDG_RUNTIME_DIR (only the user
    /// may enter it), else a name with the user's name in it.
    static QString defaultName();

    /// Looks for a running lobby: decided() follows once it is known.
    void start();
    Role role() const { return m_role; }

Q_SIGNALS:
    void decided(vorlith::lobby::SingleInstance::Role role);
    /// Another start asked this lobby to show itself.
    void raiseRequested();

private:
    void becomeFirst();
    void acceptPeer();

    QString m_name;
    Role m_role{Role::Undecided};
    QLocalServer *m_server{nullptr};
    QLocalSocket *m_probe{nullptr};
    QTimer *m_deadline{nullptr};
};

} // namespace vorlith::lobby
