#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <optional>

class QTimer;
class QUdpSocket;

namespace vorlith::net {

/// A game hosted on the local network, as its host describes it.
struct LocalGame
{
    quint32 id{0};        ///< tells one hosting program's answers from another's
    QString name;         ///< the hosting player's name
    int seatsTaken{0};    ///< 0 to 6
    bool running{false};  ///< a game is being played
    QHostAddress address; ///< where the answer came from (set by the finder)
};

/// The datagrams of the local-network query. A query is the eight bytes
/// "VORLITH?"; an answer is "VORLITH!", the host's id as eight hexadecimal
/// digits, then "+seats+running+name" (seats 0-6, running 0 or 1, the name
/// in single-byte text, 1 to 32 bytes). Anything else is not ours.
namespace localgames {

/// The UDP port hosts answer on (overridden for tests).
inline constexpr quint16 DefaultPort = 7772;
inline constexpr int MaxNameBytes = 32;
/// No valid answer is longer; longer datagrams are not even read whole.
inline constexpr qsizetype MaxAnswerSize = 8 + 8 + 5 + MaxNameBytes;

QByteArray query();
bool isQuery(const QByteArray &datagram);
/// The answer describing \a game (its address is not sent). The name is cut
/// to 32 bytes and cleaned of bytes that would spoil the answer.
QByteArray answer(const LocalGame &game);
/// The game an answer describes, or nothing for a malformed datagram.
std::optional<LocalGame> readAnswer(const QByteArray &datagram);

} // namespace localgames

/// Decides which queries get an answer: one per sender address in any
/// SenderGapMs, and no more than PerSecond answers in any second overall, so
/// a flood of queries (spoofed senders included) costs little and cannot
/// turn this program into a loudspeaker.
class AnswerLimiter
{
public:
    static constexpr qint64 SenderGapMs = 200;
    static constexpr int PerSecond = 10;
    static constexpr int TrackedSenders = 64;

    /// True when a query from \a sender at \a nowMs (a steady clock in
    /// milliseconds) may be answered; counts it as answered.
    bool allow(const QHostAddress &sender, qint64 nowMs);

private:
    std::deque<qint64> m_answered; ///< times of the answers of the last second
    QHash<QHostAddress, qint64> m_lastBySender;
};

/// Answers local-network queries about the game this program hosts: queries
/// from this machine and from the networks it sits on, nobody farther away.
/// It never sends anything unasked.
class LocalGameResponder : public QObject
{
    Q_OBJECT
public:
    /// The game as it stands now.
    using Status = std::function<LocalGame()>;
    /// A steady clock in milliseconds.
    using Clock = std::function<qint64()>;

    explicit LocalGameResponder(Status status, QObject *parent = nullptr);
    ~LocalGameResponder() override;

    void setClock(Clock clock) { m_clock = std::move(clock); }

    /// Binds the UDP port on \a address ("0" port picks a free one); false
    /// when it cannot be bound.
    bool start(quint16 port, const QHostAddress &address = QHostAddress::AnyIPv4);
    void stop();
    bool isActive() const;
    quint16 port() const;

    /// The bytes to send back for \a datagram from \a sender at \a nowMs, or
    /// empty when it gets no answer (not a query, or over the limits).
    QByteArray answerTo(const QByteArray &datagram, const QHostAddress &sender, qint64 nowMs);

    /// True when \a sender is this machine or on one of \a networks
    /// (address and prefix length each).
    static bool isNeighbour(const QHostAddress &sender,
                            const QList<QPair<QHostAddress, int>> &networks);

private:
    void readPending();

    Status m_status;
    Clock m_clock;
    AnswerLimiter m_limiter;
    QList<QPair<QHostAddress, int>> m_networks; ///< this machine's, as at start()
    QUdpSocket *m_socket{nullptr};
};

/// Asks the local network which games are hosted and collects the answers
/// heard for ListenMs.
class LocalGameFinder : public QObject
{
    Q_OBJECT
public:
    static constexpr int ListenMs = 1000;
    /// More answers than this in one search are not listed.
    static constexpr int MaxGames = 32;

    explicit LocalGameFinder(QObject *parent = nullptr);
    ~LocalGameFinder() override;

    /// The port hosts answer on.
    void setPort(quint16 port) { m_port = port; }
    /// Where the queries go; the broadcast addresses of this machine's
    /// networks and this machine itself unless set.
    void setTargets(const QList<QHostAddress> &targets) { m_targets = targets; }
    static QList<QHostAddress> defaultTargets();

    /// Sends the query (and once more halfway, in case it was lost) and
    /// listens for ListenMs; a search already under way starts again.
    void search();
    /// Ends the search now.
    void finish();
    bool isSearching() const { return m_searching; }
    /// The games heard in this search, in order of arrival.
    const QList<LocalGame> &games() const { return m_games; }

Q_SIGNALS:
    void gameFound(const vorlith::net::LocalGame &game);
    void finished();

private:
    void sendQueries();
    void readPending();

    quint16 m_port{localgames::DefaultPort};
    QList<QHostAddress> m_targets;
    QList<LocalGame> m_games;
    bool m_searching{false};
    QUdpSocket *m_socket{nullptr};
    QTimer *m_listen{nullptr};
    QTimer *m_repeat{nullptr};
};

} // namespace vorlith::net
