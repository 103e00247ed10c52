// Replays, against the real program, the ways a hostile participant (or a
// hostile host, or a hostile file) has been seen to crash, freeze, starve or
// exhaust a game, and prints what happens: the honest player's wait for a
// verdict, the hosting process's memory and CPU, and whether it lived. The
// figures measured before the program was hardened are printed beside them.
// Nothing here is asserted: it is a benchmark, run on demand.
//
//   bench_attacks [--program PATH] [--seconds N] [attack ...]
//
// Attacks: name starve bomb freeze memory scoring settings tally (all when
// none is named). --seconds sets how long the memory flood lasts (60).
// BENCH_ATTACKS_VERBOSE=1 shows what the program writes to its error output.
#include "dict/dictionary.h"
#include "tally/codec/lzrw1.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include <unistd.h>

using namespace vorlith;

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

void print(const QString &text)
{
    out() << text << Qt::endl;
}

/// Lets the event loop run until \a done holds or \a ms have passed.
bool spinUntil(const std::function<bool()> &done, qint64 ms)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() >= ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

void spin(qint64 ms)
{
    spinUntil([] { return false; }, ms);
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// ---- the program under attack ------------------------------------------

/// A copy of the program in a folder of its own (its settings and tally
/// files go beside it), started with the ports moved to free ones.
class Program
{
public:
    explicit Program(const QString &binary)
    {
        m_path = m_dir.filePath(QStringLiteral("vorlith"));
        QFile::copy(binary, m_path);
        hostPort = freePort();
    }
    ~Program() { stop(); }

    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    void start(const QStringList &args)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), m_dir.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("VORLITH_HOST_PORT"), QString::number(hostPort));
        env.insert(QStringLiteral("VORLITH_PRESENCE_PORT"), QString::number(freePort()));
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("*.debug=false"));
        m_process.setProcessEnvironment(env);
        m_process.setWorkingDirectory(m_dir.path());
        m_process.setStandardOutputFile(QProcess::nullDevice());
        if (!qEnvironmentVariableIsSet("BENCH_ATTACKS_VERBOSE"))
            m_process.setStandardErrorFile(QProcess::nullDevice());
        m_clock.start();
        m_process.start(m_path, args);
        m_process.waitForStarted();
    }
    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    bool running() const { return m_process.state() == QProcess::Running; }
    QString exitText() const
    {
        if (running())
            return QStringLiteral("running");
        return QStringLiteral("ended (%1 %2)")
            .arg(m_process.exitStatus() == QProcess::CrashExit ? QStringLiteral("crash") : QStringLiteral("exit"))
            .arg(m_process.exitCode());
    }
    qint64 sinceStart() const { return m_clock.elapsed(); }

    /// A field of /proc/<pid>/status in kB, -1 when gone.
    long statusKb(const char *field) const
    {
        QFile f(QStringLiteral("/proc/%1/status").arg(m_process.processId()));
        if (!running() || !f.open(QIODevice::ReadOnly))
            return -1;
        for (const QByteArray &line : f.readAll().split('\n')) {
            if (line.startsWith(field))
                return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLong();
        }
        return -1;
    }
    double rssMb() const { return statusKb("VmRSS:") / 1024.0; }
    double peakMb() const { return statusKb("VmHWM:") / 1024.0; }
    /// CPU time used so far, user and system, in milliseconds.
    qint64 cpuMs() const
    {
        QFile f(QStringLiteral("/proc/%1/stat").arg(m_process.processId()));
        if (!running() || !f.open(QIODevice::ReadOnly))
            return -1;
        const QByteArray stat = f.readAll();
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        const long ticks = ::sysconf(_SC_CLK_TCK);
        return (fields.value(11).toLongLong() + fields.value(12).toLongLong()) * 1000 / ticks;
    }

    quint16 hostPort{0};

private:
    QTemporaryDir m_dir;
    QString m_path;
    QProcess m_process;
    QElapsedTimer m_clock;
};

// ---- participants ------------------------------------------------------

/// A participant on the wire: sends raw lines, splits what it receives.
class Peer
{
public:
    explicit Peer(QObject *context = nullptr)
    {
        Q_UNUSED(context);
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] {
            m_carry += socket.readAll();
            qsizetype end;
            qsizetype start = 0;
            while ((end = m_carry.indexOf('\xff', start)) >= 0) {
                onLine(m_carry.mid(start, end - start));
                start = end + 1;
            }
            m_carry.remove(0, start);
        });
    }
    bool connectTo(quint16 port)
    {
        socket.connectToHost(QHostAddress::LocalHost, port);
        return socket.waitForConnected(3000);
    }
    void send(const QByteArray &line) { socket.write(line + '\xff'); }
    void sendRaw(const QByteArray &bytes) { socket.write(bytes); }
    bool connected() const { return socket.state() == QAbstractSocket::ConnectedState; }

    /// Waits for the slot, logs in as \a name and waits to be announced.
    bool login(const QByteArray &name)
    {
        if (!spinUntil([this] { return slot > 0; }, 5000))
            return false;
        socket.write("CMD_logininfo+" + QByteArray::number(slot) + "+1.0.3+" + name + "\xff\xff");
        return spinUntil([this, name] { return announced; }, 10000);
    }

    QTcpSocket socket;
    int slot{0};
    bool announced{false};
    qint64 received{0};
    std::function<void(const QByteArray &)> watch;

private:
    void onLine(const QByteArray &line)
    {
        ++received;
        if (slot == 0 && line.startsWith("CMD_sendlogininfo+"))
            slot = line.mid(18).toInt();
        if (!announced && line.startsWith("CMD_newplayerinfo+" + QByteArray::number(slot) + "+"))
            announced = true;
        if (watch)
            watch(line);
    }
    QByteArray m_carry;
};

/// The honest player: logs in, can start a game, and times its verdicts.
class Honest : public Peer
{
public:
    Honest()
    {
        watch = [this](const QByteArray &line) {
            if (line.startsWith("CMD_makeboard+"))
                board = line;
            if (line.startsWith("CMD_roundstarting+"))
                ++roundsStarted;
            if (line.startsWith("CMD_roundover+"))
                ++roundsOver;
            if (line.startsWith("CMD_winner+"))
                winner = true;
            const QByteArray own = "+" + QByteArray::number(slot) + "+";
            if (line.startsWith("CMD_hisword" + own)) {
                ++accepted;
                ++verdicts;
            } else if (line.startsWith("CMD_notvalid+1" + own)) {
                ++verdicts;
            } else if (line.startsWith("CMD_notvalid+2" + own)) {
                ++repeats;
                ++verdicts;
            }
        };
    }
    void startGame(int rounds, int seconds)
    {
        const int before = roundsStarted;
        send("CMD_startgame+Honest+" + QByteArray::number(rounds) + "+" + QByteArray::number(seconds) + "+");
        spinUntil([&] { return roundsStarted > before; }, 10000);
    }
    /// Sends a word and waits for its verdict; the wait in ms, or nothing.
    std::optional<qint64> verdictFor(const QByteArray &word, qint64 patience)
    {
        const int before = verdicts;
        QElapsedTimer t;
        t.start();
        send("CMD_myword+" + QByteArray::number(slot) + "+" + word + "+");
        socket.flush();
        if (!spinUntil([&] { return verdicts > before; }, patience))
            return std::nullopt;
        return t.elapsed();
    }

    QByteArray board;
    int roundsStarted{0};
    int roundsOver{0};
    bool winner{false};
    int verdicts{0};
    int accepted{0};
    int repeats{0};
};

/// Verdict waits of a series of words, taken every \a gapMs while \a during
/// runs between them.
struct Waits
{
    std::vector<qint64> ms;
    int missing{0};
    QString text() const
    {
        if (ms.empty())
            return QStringLiteral("no verdict at all (%1 words)").arg(missing);
        std::vector<qint64> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return QStringLiteral("median %1 ms, max %2 ms over %3 words%4")
            .arg(sorted[sorted.size() / 2])
            .arg(sorted.back())
            .arg(ms.size())
            .arg(missing ? QStringLiteral(", %1 without a verdict").arg(missing) : QString());
    }
    qint64 median() const
    {
        if (ms.empty())
            return -1;
        std::vector<qint64> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
    qint64 max() const { return ms.empty() ? -1 : *std::max_element(ms.begin(), ms.end()); }
};

Waits measureWaits(Honest &honest, int words, qint64 gapMs, qint64 patience)
{
    Waits waits;
    for (int i = 0; i < words; ++i) {
        if (const auto w = honest.verdictFor("ZQXJV", patience))
            waits.ms.push_back(*w);
        else
            ++waits.missing;
        spin(gapMs);
    }
    return waits;
}

/// A hosting program with the honest player logged in and a game running.
struct Table
{
    explicit Table(const QString &binary) : program(binary) {}
    /// Starts the host and a game; says so when it cannot.
    bool open(int rounds = 10, int seconds = 120)
    {
        program.start({QStringLiteral("Kim"), QStringLiteral("127.0.0.1"), QStringLiteral("true")});
        bool ok = spinUntil([&] { return honest.connectTo(program.hostPort) || !program.running(); }, 15000)
                  && honest.login("Honest");
        if (ok) {
            honest.startGame(rounds, seconds);
            ok = honest.roundsStarted > 0;
        }
        if (!ok)
            print(QStringLiteral("  could not open a table: %1").arg(program.exitText()));
        return ok;
    }
    Program program;
    Honest honest;
};

void verdict(bool ok, const QString &goal)
{
    print(QStringLiteral("  goal: %1 -> %2").arg(goal, ok ? QStringLiteral("met") : QStringLiteral("NOT MET")));
}

QString mb(double v)
{
    return QString::number(v, 'f', 1) + QStringLiteral(" MB");
}

// ---- the attacks -------------------------------------------------------

void crashByName(const QString &binary)
{
    print(QStringLiteral("1. Crash by name (before: the hosting program and every joined one ended with std::bad_alloc)"));
    const QByteArray names[] = {"<img src=/dev/zero>", "<b>x</b>", "&amp;"};
    {
        Table table(binary);
        if (!table.open())
            return;
        std::vector<std::unique_ptr<Peer>> peers;
        for (const QByteArray &name : names) {
            peers.push_back(std::make_unique<Peer>());
            Peer &p = *peers.back();
            p.connectTo(table.program.hostPort);
            p.login(name);
            p.send("CMD_chat+" + QByteArray::number(p.slot) + "+" + name + " says " + name + "|clBlack");
        }
        spin(3000);
        const auto wait = table.honest.verdictFor("ZQXJV", 5000);
        print(QStringLiteral("  hosting program after three such names joined and chatted: %1; honest verdict %2")
                  .arg(table.program.exitText(), wait ? QStringLiteral("%1 ms").arg(*wait) : QStringLiteral("none")));
        verdict(table.program.running() && wait.has_value(), QStringLiteral("no crash"));
    }
    {
        // A hostile host sends the names to a joining program.
        QTcpServer host;
        host.listen(QHostAddress::LocalHost, 0);
        const QString binaryPath = binary;
        Program joiner(binaryPath);
        joiner.hostPort = host.serverPort();
        joiner.start({QStringLiteral("Ann"), QStringLiteral("127.0.0.1"), QStringLiteral("join")});
        if (!spinUntil([&] { return host.hasPendingConnections(); }, 15000)) {
            print(QStringLiteral("  the joining program did not connect"));
            return;
        }
        QTcpSocket *peer = host.nextPendingConnection();
        peer->write("CMD_sendlogininfo+3\xff" "CMD_newplayerinfo+3+Ann+0\xff");
        int seat = 1;
        for (const QByteArray &name : names) {
            peer->write("CMD_newplayerinfo+" + QByteArray::number(seat) + "+" + name + "+0\xff");
            peer->write("CMD_newplayerinfo+" + QByteArray::number(6 + seat) + "+" + name + "+0\xff");
            peer->write("CMD_chat+" + QByteArray::number(seat) + "+" + name + " chats: " + name + "|clBlack\xff");
            peer->write("CMD_hisword+3+9+" + name + "+\xff");
            seat = seat == 1 ? 2 : 4;
        }
        peer->flush();
        spin(3000);
        print(QStringLiteral("  joining program after its host sent those names as seats, spies, chat and words: %1")
                  .arg(joiner.exitText()));
        verdict(joiner.running(), QStringLiteral("no crash"));
    }
}

/// Keeps \a target lines of its own waiting at the host: it counts the relays
/// of its own chat lines to know how many have been handled.
class Flooder : public Peer
{
public:
    Flooder(QByteArray line, int target) : m_line(std::move(line)), m_target(target)
    {
        watch = [this](const QByteArray &l) {
            if (l.startsWith(m_relayPrefix))
                ++handled;
        };
    }
    void begin()
    {
        m_line.replace("+S+", "+" + QByteArray::number(slot) + "+");
        m_relayPrefix = "CMD_chat+" + QByteArray::number(slot) + "+";
    }
    void topUp()
    {
        if (!connected())
            return;
        QByteArray burst;
        while (sent - handled < m_target) {
            burst += m_line + '\xff';
            ++sent;
        }
        if (!burst.isEmpty())
            sendRaw(burst);
    }
    qint64 sent{0};
    qint64 handled{0};

private:
    QByteArray m_line;
    int m_target{0};
    QByteArray m_relayPrefix{"-"};
};

void starvation(const QString &binary)
{
    print(QStringLiteral("2. Starvation: four participants keep about 990 short chat lines queued each"));
    print(QStringLiteral("  (before: one flooder made a verdict wait 9.9 s; with four, no verdict within 29 s)"));
    Table table(binary);
    if (!table.open())
        return;
    std::vector<std::unique_ptr<Flooder>> flooders;
    for (int i = 0; i < 4; ++i) {
        flooders.push_back(std::make_unique<Flooder>("CMD_chat+S+spam spam spam|clRed", 990));
        Flooder &f = *flooders.back();
        f.connectTo(table.program.hostPort);
        f.login("Flood" + QByteArray::number(i));
        f.begin();
    }
    QTimer topUp;
    QObject::connect(&topUp, &QTimer::timeout, [&] {
        for (auto &f : flooders)
            f->topUp();
    });
    topUp.start(20);
    spin(1500);
    const Waits waits = measureWaits(table.honest, 30, 100, 30000);
    topUp.stop();
    int alive = 0;
    for (auto &f : flooders)
        alive += f->connected();
    print(QStringLiteral("  honest verdicts: %1; flooders still connected: %2 of 4; host %3, %4")
              .arg(waits.text())
              .arg(alive)
              .arg(table.program.exitText(), mb(table.program.rssMb())));
    verdict(waits.missing == 0 && waits.median() >= 0 && waits.median() < 100,
            QStringLiteral("honest verdict median under 100 ms"));
}

void queueBomb(const QString &binary)
{
    print(QStringLiteral("3. Queue bomb: 60 connections in a row, each queueing 990 lines of 4 KB and closing"));
    print(QStringLiteral("  (before: 1.6 s to send; host 46 -> 239 MB; 594 s to drain; no honest verdict within 60 s)"));
    Table table(binary);
    if (!table.open())
        return;
    spin(500);
    const double start = table.program.rssMb();
    double peak = start;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] { peak = std::max(peak, table.program.rssMb()); });
    sampler.start(20);
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 60; ++i) {
        Peer bomb;
        if (!bomb.connectTo(table.program.hostPort))
            continue;
        bomb.login("Bomb");
        QByteArray burst;
        const QByteArray line = "CMD_chat+" + QByteArray::number(bomb.slot) + "+" + QByteArray(4070, 'B') + "|clRed\xff";
        for (int n = 0; n < 990; ++n)
            burst += line;
        bomb.sendRaw(burst);
        spinUntil([&] { return bomb.socket.bytesToWrite() == 0 || !bomb.connected(); }, 5000);
        bomb.socket.disconnectFromHost();
        spinUntil([&] { return bomb.socket.state() == QAbstractSocket::UnconnectedState; }, 2000);
    }
    const qint64 sending = clock.elapsed();
    spin(200);
    const Waits waits = measureWaits(table.honest, 10, 100, 60000);
    sampler.stop();
    spin(2000);
    const double after = table.program.rssMb();
    print(QStringLiteral("  sent in %1 ms; host memory %2 at start, peak %3, %4 after; honest verdicts right after: %5")
              .arg(sending)
              .arg(mb(start), mb(peak), mb(after), waits.text()));
    verdict(peak - start < 64 && waits.missing == 0 && waits.max() < 1000,
            QStringLiteral("host under 64 MB above its start, honest verdict within 1 s"));
}

void freeze(const QString &binary)
{
    print(QStringLiteral("4. Freeze: ten chat lines of 60,000 characters without spaces"));
    print(QStringLiteral("  (before: 7 s of host CPU per line; an honest verdict delayed 72 s, the round's end 62 s)"));
    Table table(binary);
    if (!table.open(3, 30))
        return;
    QElapsedTimer round;
    round.start(); // the round started a moment ago
    Peer mal;
    mal.connectTo(table.program.hostPort);
    mal.login("Mal");
    const qint64 cpuBefore = table.program.cpuMs();
    for (int i = 0; i < 10; ++i)
        mal.send("CMD_chat+" + QByteArray::number(mal.slot) + "+" + QByteArray(60000, char('a' + i)) + "|clRed");
    mal.socket.flush();
    const Waits waits = measureWaits(table.honest, 20, 200, 120000);
    const qint64 cpu = table.program.cpuMs() - cpuBefore;
    spinUntil([&] { return table.honest.roundsOver > 0; }, 120000);
    const qint64 roundLate = round.elapsed() - (30 + 4) * 1000;
    print(QStringLiteral("  honest verdicts: %1; host CPU for it all %2 ms; the round ended %3 ms after its time")
              .arg(waits.text())
              .arg(cpu)
              .arg(roundLate));
    verdict(waits.missing == 0 && waits.max() < 1000 && roundLate < 1000,
            QStringLiteral("nothing delayed by more than 1 s"));
}

void memoryFlood(const QString &binary, int seconds)
{
    print(QStringLiteral("5. Memory: %1 s of chat lines of 60,000 bytes, of 30,000 words and of 12,000 smiley codes")
              .arg(seconds));
    print(QStringLiteral("  (before: the host grew 42-51 MB a second, 2.5-3 GB in a minute)"));
    Table table(binary);
    if (!table.open())
        return;
    spin(500);
    const double start = table.program.rssMb();
    Flooder words("CMD_chat+S+" + QByteArray("a ").repeated(30000) + "|clRed", 200);
    Flooder smileys("CMD_chat+S+" + QByteArray(":)#12").repeated(12000) + "|clRed", 200);
    for (Flooder *f : {&words, &smileys}) {
        f->connectTo(table.program.hostPort);
        f->login("Chatty");
        f->begin();
    }
    QTimer topUp;
    QObject::connect(&topUp, &QTimer::timeout, [&] {
        words.topUp();
        smileys.topUp();
    });
    topUp.start(20);
    double peak = start;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < seconds * 1000) {
        spin(500);
        peak = std::max(peak, table.program.rssMb());
    }
    topUp.stop();
    const Waits waits = measureWaits(table.honest, 5, 100, 10000);
    print(QStringLiteral("  lines handled: %1 + %2; host memory %3 at start, peak %4, %5 at the end; honest verdicts %6")
              .arg(words.handled)
              .arg(smileys.handled)
              .arg(mb(start), mb(peak), mb(table.program.rssMb()), waits.text()));
    verdict(peak - start < 100, QStringLiteral("the host grows by less than 100 MB in all"));
}

/// A word of the dictionary that \a board (a CMD_makeboard line) spells,
/// as long as one can be found.
QByteArray wordOnBoard(const QByteArray &board)
{
    QByteArray letters;
    const QList<QByteArray> parts = board.split('+');
    for (int i = 2; i < parts.size(); i += 2)
        letters += char('A' + parts[i].toInt() - 1);
    static dict::Dictionary words;
    static const bool loaded = words.loadwords(QStringLiteral("/nonexistent-vorlith-folder/English"));
    if (!loaded || letters.size() != 36)
        return {};
    QRandomGenerator rng(5);
    for (int length = 8; length >= 3; --length) {
        for (int attempt = 0; attempt < 200000; ++attempt) {
            QByteArray pool = letters;
            QByteArray word;
            for (int k = 0; k < length; ++k) {
                const int at = int(rng.bounded(int(pool.size())));
                word += pool.at(at);
                pool.remove(at, 1);
            }
            if (words.isword(QByteArrayView(word)))
                return word;
        }
    }
    return {};
}

void scoring(const QString &binary)
{
    print(QStringLiteral("6. Scoring after the round, and repeats by case"));
    print(QStringLiteral("  (before: words scored after CMD_roundover and CMD_winner; \"ABDOMENS\" scored 256 times)"));
    Table table(binary);
    if (!table.open(1, 30))
        return;
    Honest &h = table.honest;
    const QByteArray word = wordOnBoard(h.board);
    if (word.isEmpty()) {
        print(QStringLiteral("  no word found on the board"));
        return;
    }
    const int variants = std::min(256, 1 << word.size());
    const int acceptedBefore = h.accepted;
    for (int v = 0; v < variants; ++v) {
        QByteArray w = word;
        for (int k = 0; k < w.size(); ++k) {
            if (v & (1 << k))
                w[k] = char(w[k] - 'A' + 'a');
        }
        h.verdictFor(w, 5000);
    }
    print(QStringLiteral("  \"%1\" in %2 letter-case variants: %3 accepted, %4 answered as repeats (verdict 2)")
              .arg(QString::fromLatin1(word))
              .arg(variants)
              .arg(h.accepted - acceptedBefore)
              .arg(h.repeats));
    const bool casesOk = h.accepted - acceptedBefore == 1 && h.repeats == variants - 1;

    spinUntil([&] { return h.roundsOver > 0; }, 60000);
    const int before = h.verdicts;
    h.send("CMD_myword+" + QByteArray::number(h.slot) + "+" + word.toLower() + "S+");
    h.send("CMD_myword+" + QByteArray::number(h.slot) + "+ZQXJV+");
    spin(2000);
    const int afterRound = h.verdicts - before;
    spinUntil([&] { return h.winner; }, 60000);
    const int beforeWinner = h.verdicts;
    h.send("CMD_myword+" + QByteArray::number(h.slot) + "+ZQXJV+");
    h.send("CMD_myword+" + QByteArray::number(h.slot) + "+" + word + "+");
    spin(2000);
    const int afterWinner = h.verdicts - beforeWinner;
    print(QStringLiteral("  answers to words after CMD_roundover: %1; after CMD_winner (named: %2): %3")
              .arg(afterRound)
              .arg(h.winner ? QStringLiteral("yes") : QStringLiteral("no"))
              .arg(afterWinner));
    verdict(casesOk && afterRound == 0 && afterWinner == 0,
            QStringLiteral("case variants get verdict 2, words after the round get no answer"));
}

/// Starts a hosting program on files prepared by \a prepare and reports how
/// soon it serves an honest participant (returned, -1 for never), and what it
/// costs.
qint64 startsOnFiles(const QString &binary, const QString &what, const std::function<void(Program &)> &prepare)
{
    Table table(binary);
    prepare(table.program);
    table.program.start({QStringLiteral("Kim"), QStringLiteral("127.0.0.1"), QStringLiteral("true")});
    Honest &h = table.honest;
    const bool connected = spinUntil([&] { return h.connectTo(table.program.hostPort) || !table.program.running(); }, 30000)
                           && h.connected();
    bool loggedIn = connected && h.login("Honest");
    qint64 served = table.program.sinceStart();
    std::optional<qint64> wait;
    if (loggedIn) {
        h.startGame(1, 60);
        wait = h.verdictFor("ZQXJV", 10000);
    }
    spin(500);
    print(QStringLiteral("  %1: an honest participant served %2 ms after start; verdict %3; host %4, memory %5 (peak %6), CPU %7 ms")
              .arg(what)
              .arg(loggedIn ? served : -1)
              .arg(wait ? QStringLiteral("%1 ms").arg(*wait) : QStringLiteral("none"))
              .arg(table.program.exitText(), mb(table.program.rssMb()), mb(table.program.peakMb()))
              .arg(table.program.cpuMs()));
    return loggedIn && wait.has_value() && table.program.running() ? served : -1;
}

/// The goal for a start on a hostile file: at most a second later than a
/// start without it, and playing.
void refusedInASecond(qint64 served, qint64 baseline)
{
    verdict(served >= 0 && baseline >= 0 && served - baseline < 1000,
            QStringLiteral("refused within a second (of a start without the file), the program playing on"));
}

void settingsFile(const QString &binary)
{
    print(QStringLiteral("7. Settings file of 16 MB of line breaks (before: 125 s of CPU and 844 MB to load)"));
    const qint64 baseline = startsOnFiles(binary, QStringLiteral("no settings file"), [](Program &) {});
    refusedInASecond(startsOnFiles(binary, QStringLiteral("16 MB settings file"),
                                   [](Program &p) {
                                       QFile f(p.filePath(QStringLiteral("brakmolobby.ini")));
                                       f.open(QIODevice::WriteOnly);
                                       f.write("[Lobby]\r\nUser=Kim\r\n");
                                       f.write(QByteArray(16 * 1024 * 1024, '\n'));
                                   }),
                     baseline);
}

/// Endless line breaks, for compressing a bomb without holding it.
class LineBreaks : public QIODevice
{
public:
    explicit LineBreaks(qint64 size) : m_size(size) { open(QIODevice::ReadOnly); }
    qint64 size() const override { return m_size; }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 max) override
    {
        const qint64 n = std::min(max, m_size - m_pos);
        std::fill(data, data + n, '\n');
        m_pos += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    qint64 m_size{0};
    qint64 m_pos{0};
};

void writeBomb(const QString &path, qint64 plainSize)
{
    LineBreaks in(plainSize);
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    tally::Tlzrw1::compressStream(in, plainSize, out, QString(), path);
}

void tallyBombs(const QString &binary)
{
    print(QStringLiteral("8. Tally bombs (before: 118 KB -> 100 MB took 1.7 GB; 2.3 MB -> 2 GB took 2.1 GB and never connected)"));
    const qint64 baseline = startsOnFiles(binary, QStringLiteral("no tally file"), [](Program &) {});
    for (const qint64 plain : {qint64(100) * 1000 * 1000, qint64(2000) * 1000 * 1000}) {
        const qint64 served =
            startsOnFiles(binary, QStringLiteral("tally decoding to %1 MB").arg(plain / 1000000), [plain](Program &p) {
                const QString path = p.filePath(QStringLiteral("Vorlithtally.tld"));
                writeBomb(path, plain);
                print(QStringLiteral("  (file of %1 KB)").arg(QFileInfo(path).size() / 1024));
            });
        refusedInASecond(served, baseline);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QString binary = QStringLiteral(VORLITH_BINARY);
    int seconds = 60;
    QStringList chosen;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--program") && i + 1 < args.size())
            binary = args[++i];
        else if (args[i] == QLatin1String("--seconds") && i + 1 < args.size())
            seconds = args[++i].toInt();
        else
            chosen.append(args[i]);
    }
    const std::vector<std::pair<QString, std::function<void()>>> attacks{
        {QStringLiteral("name"), [&] { crashByName(binary); }},
        {QStringLiteral("starve"), [&] { starvation(binary); }},
        {QStringLiteral("bomb"), [&] { queueBomb(binary); }},
        {QStringLiteral("freeze"), [&] { freeze(binary); }},
        {QStringLiteral("memory"), [&] { memoryFlood(binary, seconds); }},
        {QStringLiteral("scoring"), [&] { scoring(binary); }},
        {QStringLiteral("settings"), [&] { settingsFile(binary); }},
        {QStringLiteral("tally"), [&] { tallyBombs(binary); }},
    };
    print(QStringLiteral("Attacks on %1").arg(binary));
    for (const auto &[name, run] : attacks) {
        if (chosen.isEmpty() || chosen.contains(name))
            run();
    }
    return 0;
}
