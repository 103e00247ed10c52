// Runs the real vorlith-server and measures it from outside, as players and
// operators would: the CPU and memory of many idle tables, the verdict times
// of many busy ones, and a word's verdict at a quiet table. It prints the
// figures and asserts nothing.
//
//   bench_server [--idle N] [--busy N] [--seconds S] [--server PATH]
#include "common/figures.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <memory>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

using vorlith::bench::Figures;

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

bool spinFor(const std::function<bool()> &done, qint64 ms)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() >= ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

/// CPU seconds (user and system) the process has used.
double cpuSeconds(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray stat = f.readAll();
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    return double(fields.value(11).toLongLong() + fields.value(12).toLongLong()) /
           double(sysconf(_SC_CLK_TCK));
}

qint64 residentKb(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

/// One HTTP request, answered with the body (empty on failure).
QByteArray http(quint16 port, const QByteArray &method, const QByteArray &path,
                const QByteArray &body = {})
{
    QTcpSocket s;
    QByteArray got;
    QObject::connect(&s, &QTcpSocket::readyRead, [&] { got += s.readAll(); });
    s.connectToHost(QHostAddress::LocalHost, port);
    if (!spinFor([&] { return s.state() == QAbstractSocket::ConnectedState; }, 10000))
        return {};
    s.write(method + ' ' + path +
            " HTTP/1.1\r\nHost: bench\r\nConnection: close\r\nContent-Length: " +
            QByteArray::number(body.size()) + "\r\n\r\n" + body);
    spinFor([&] { return s.state() == QAbstractSocket::UnconnectedState; }, 10000);
    got += s.readAll();
    return got.mid(got.indexOf("\r\n\r\n") + 4);
}

/// A raw participant: logs in, sends words, times each verdict.
class Player : public QObject
{
public:
    Player(quint16 port, QByteArray name, Figures &verdicts)
        : m_name(std::move(name)), m_verdicts(verdicts)
    {
        connect(&m_socket, &QTcpSocket::readyRead, this, [this] { read(); });
        m_socket.connectToHost(QHostAddress::LocalHost, port);
    }
    bool inRound() const { return m_inRound; }
    int slot() const { return m_slot; }
    void send(const QByteArray &line) { m_socket.write(line + '\xff'); }
    void word()
    {
        if (!m_inRound || m_sent.isValid())
            return;
        static const char *const words[] = {"tea",  "rat",  "stone", "qzx",
                                            "late", "note", "rest",  "zzz"};
        m_sent.start();
        send("CMD_myword+" + QByteArray::number(m_slot) + '+' + words[m_next++ % 8]);
    }

private:
    void read()
    {
        m_carry += m_socket.readAll();
        qsizetype end;
        while ((end = m_carry.indexOf('\xff')) >= 0) {
            const QByteArray line = m_carry.left(end);
            m_carry.remove(0, end + 1);
            if (line.startsWith("CMD_sendlogininfo+")) {
                m_slot = line.mid(18).toInt();
                send("CMD_logininfo+" + QByteArray::number(m_slot) + "+1.0.3+" + m_name);
            } else if (line.startsWith("CMD_roundstarting+")) {
                m_inRound = true;
            } else if (line.startsWith("CMD_roundover+")) {
                m_inRound = false;
            } else if ((line.startsWith("CMD_hisword+") || line.startsWith("CMD_notvalid+")) &&
                       m_sent.isValid()) {
                m_verdicts.add(m_sent.nsecsElapsed());
                m_sent.invalidate();
            }
        }
    }

    QTcpSocket m_socket;
    QByteArray m_name;
    QByteArray m_carry;
    Figures &m_verdicts;
    QElapsedTimer m_sent;
    int m_slot{0};
    int m_next{0};
    bool m_inRound{false};
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    const auto option = [&args](const QString &name, const QString &fallback) {
        const qsizetype i = args.indexOf(name);
        return i >= 0 && i + 1 < args.size() ? args[i + 1] : fallback;
    };
    const int idle = option(QStringLiteral("--idle"), QStringLiteral("1000")).toInt();
    const int busy = option(QStringLiteral("--busy"), QStringLiteral("200")).toInt();
    const int seconds = option(QStringLiteral("--seconds"), QStringLiteral("20")).toInt();
    const QString binary =
        option(QStringLiteral("--server"), QStringLiteral(VORLITH_SERVER_BINARY));

    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);

    const int tables = std::max(idle, busy) + 1;
    // Free ports a moment ago, for the API and the tables.
    const auto freePort = [] {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    };
    const quint16 apiPort = freePort();
    const int firstPort = 20000 + int(freePort() % 20000);
    QProcess server;
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.setProcessEnvironment([] {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_LOGGING_RULES"),
                   QStringLiteral("vorlith.*.info=false\nvorlith.*.debug=false"));
        return env;
    }());
    server.start(binary,
                 {QStringLiteral("--config"), QStringLiteral("/dev/null"),
                  QStringLiteral("--api-port"), QString::number(apiPort), QStringLiteral("--ports"),
                  QStringLiteral("%1-%2").arg(firstPort).arg(firstPort + tables + 50),
                  QStringLiteral("--max-tables"), QString::number(tables + 50),
                  QStringLiteral("--max-tables-per-address"), QString::number(tables + 50),
                  QStringLiteral("--max-creations-per-minute"), QString::number(tables + 50),
                  QStringLiteral("--max-connections"), QStringLiteral("100000"),
                  QStringLiteral("--max-connections-per-address"), QStringLiteral("100000")});
    if (!server.waitForStarted() ||
        !spinFor([&] { return http(apiPort, "GET", "/healthz") == "ok\n"; }, 20000)) {
        out() << "vorlith-server did not start\n";
        return 1;
    }
    const qint64 pid = server.processId();
    const auto make = [&](int computers) {
        const QByteArray body = http(apiPort, "POST", "/api/tables",
                                     R"({"name":"bench","rounds":10,"time":120,"computers":)" +
                                         QByteArray::number(computers) + "}");
        return quint16(
            QJsonDocument::fromJson(body).object().value(QStringLiteral("port")).toInt());
    };

    // Idle tables: nobody at them.
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < idle; ++i) {
        if (!make(0)) {
            out() << "table " << i << " could not be made\n";
            return 1;
        }
    }
    out() << idle << " idle tables made in " << clock.elapsed() << " ms\n";
    {
        const double before = cpuSeconds(pid);
        QElapsedTimer wall;
        wall.start();
        QThread::sleep(10); // the server is another process: nothing here needs to run
        const double used = cpuSeconds(pid) - before;
        out() << QStringLiteral("%1 idle tables: CPU %2% of a core, resident memory %3 MB\n")
                     .arg(idle)
                     .arg(100.0 * used / (double(wall.elapsed()) / 1000.0), 0, 'f', 2)
                     .arg(double(residentKb(pid)) / 1024.0, 0, 'f', 1);
    }

    // A quiet table: one player, words one after the other.
    {
        Figures quiet(Figures::Unit::Milliseconds);
        const quint16 port = make(0);
        Player ann(port, "Ann", quiet);
        spinFor([&] { return ann.slot() != 0; }, 5000);
        spinFor([] { return false; }, 200);
        ann.send("CMD_startgame+Ann+10+120+");
        spinFor([&] { return ann.inRound(); }, 5000);
        for (int i = 0; i < 200; ++i) {
            ann.word();
            spinFor([&] { return quiet.count() > i; }, 2000);
        }
        out() << "a word's verdict at a quiet table: " << quiet.text() << "\n";
    }

    // Busy tables: six players each, every one a word every 2 s.
    Figures verdicts(Figures::Unit::Milliseconds);
    std::vector<std::unique_ptr<Player>> players;
    std::vector<Player *> starters;
    for (int t = 0; t < busy; ++t) {
        const quint16 port = make(0);
        for (int seat = 1; seat <= 6; ++seat) {
            players.push_back(
                std::make_unique<Player>(port, "P" + QByteArray::number(seat), verdicts));
            if (seat == 1)
                starters.push_back(players.back().get());
        }
    }
    spinFor(
        [&] {
            return std::all_of(players.begin(), players.end(),
                               [](auto &p) { return p->slot() != 0; });
        },
        60000);
    spinFor([] { return false; }, 500);
    for (Player *p : starters)
        p->send("CMD_startgame+P1+10+120+");
    spinFor(
        [&] {
            return std::all_of(players.begin(), players.end(),
                               [](auto &p) { return p->inRound(); });
        },
        30000);
    out() << players.size() << " players seated at " << busy << " tables\n";
    // Each player's words spread evenly over the 2 s.
    std::vector<std::unique_ptr<QTimer>> timers;
    for (size_t i = 0; i < players.size(); ++i) {
        auto timer = std::make_unique<QTimer>();
        timer->setInterval(2000);
        Player *p = players[i].get();
        QObject::connect(timer.get(), &QTimer::timeout, p, [p] { p->word(); });
        QTimer::singleShot(int(i * 2000 / players.size()), timer.get(),
                           qOverload<>(&QTimer::start));
        timers.push_back(std::move(timer));
    }
    const double before = cpuSeconds(pid);
    spinFor([] { return false; }, qint64(seconds) * 1000);
    out() << QStringLiteral("%1 busy tables, a word every 2 s from each of %2 players: server CPU "
                            "%3% of a core, "
                            "resident memory %4 MB\n")
                 .arg(busy)
                 .arg(players.size())
                 .arg(100.0 * (cpuSeconds(pid) - before) / seconds, 0, 'f', 1)
                 .arg(double(residentKb(pid)) / 1024.0, 0, 'f', 1);
    out() << "verdicts, as the players saw them: " << verdicts.text() << "\n";
    // The server's own figures: from a word's arrival to its verdict.
    for (const QByteArray &line : http(apiPort, "GET", "/metrics").split('\n')) {
        if (line.startsWith("vorlith_verdict_seconds"))
            out() << "  " << line << "\n";
    }
    out().flush();
    timers.clear();
    players.clear();
    server.terminate();
    server.waitForFinished();
    return 0;
}
