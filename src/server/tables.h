#pragma once

#include "server/table.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace vorlith::server {

class Admission;
class Words;

/// How long words waited for their verdict, as a histogram of seconds.
struct VerdictTimes
{
    static constexpr std::array<double, 10> Bounds{0.0005, 0.001, 0.002, 0.005, 0.01,
                                                   0.015,  0.025, 0.05,  0.1,   0.5};
    std::array<quint64, Bounds.size()> counts{}; ///< per bound, not cumulative
    quint64 count{0};
    double sum{0};

    void add(std::chrono::nanoseconds taken);
};

/// Every table of the server: makes them on request within the limits,
/// finds them by number or invite, and closes those nobody is at.
class Tables : public QObject
{
    Q_OBJECT
public:
    struct Limits
    {
        int maxTables{100};
        int maxTablesPerAddress{3};
        int maxCreationsPerMinute{5};
        quint16 firstPort{7781};
        quint16 lastPort{7880};
        /// Where each table listens; none: every address.
        QList<QHostAddress> addresses;
    };
    /// A table nobody is at closes this long after the last person left, or
    /// after it was made when nobody came.
    static constexpr qint64 IdleCloseMs = 10 * 60 * 1000;

    enum class Refusal
    {
        None,
        Full,              ///< the server holds as many tables as it may
        AddressHasTooMany, ///< the address has as many open tables as it may
        AddressTooOften,   ///< the address made too many in the last minute
        NoPort,            ///< no port of the range could be had
    };
    struct Made
    {
        Table *table{nullptr};
        QString invite;
        Refusal refusal{Refusal::None};
    };

    /// Milliseconds on a clock that never goes back.
    using Clock = std::function<qint64()>;

    Tables(Words &words, Admission &admission, Limits limits, QObject *parent = nullptr);
    ~Tables() override;

    /// Tests drive the clock and call sweep() themselves; tables made from
    /// then on run their games by hand.
    void setClock(Clock clock) { m_now = std::move(clock); }
    void setManual(bool manual);
    void setRandom(Table::RandomSource random) { m_random = std::move(random); }

    /// Makes a table for a request from \a address.
    Made make(const TableOptions &options, const QString &address);

    Table *find(int id) const;
    Table *findInvite(const QString &code) const;
    QString inviteOf(int id) const;
    /// The tables, oldest first.
    std::vector<Table *> all() const;
    /// When the table closes unless somebody comes; nothing while people are there.
    std::optional<qint64> closesAt(int id) const;

    /// Closes the tables whose time has come and sets the one timer for the next.
    void sweep();

    int peopleSeated() const;
    quint64 gamesStarted() const;
    quint64 gamesPlayed() const;
    const VerdictTimes &verdictTimes() const { return m_verdicts; }

Q_SIGNALS:
    void tableClosed(int id);

private:
    struct Entry
    {
        Table *table{nullptr};
        QString creator;
        QString invite;
        std::optional<qint64> closesAt;
    };

    quint16 freePort() const;
    QString newInvite() const;
    void peopleChanged(int id);
    void close(int id);
    void armTimer();

    Words &m_words;
    Admission &m_admission;
    Limits m_limits;
    Clock m_now;
    Table::RandomSource m_random;
    bool m_manual{false};
    int m_nextId{1};
    std::map<int, Entry> m_tables;
    std::map<QString, std::deque<qint64>> m_creations;
    quint64 m_gamesOfClosedTables{0};
    quint64 m_gamesPlayedAtClosedTables{0};
    VerdictTimes m_verdicts;
    QTimer m_closer;
};

} // namespace vorlith::server
