// Start-up time of the game against a bare Qt Widgets program of the same
// kind (bench/startup/bare.cpp): both are started in turns, each run timed
// from the process's start to its TCP port listening, the game hosting as it
// does when the lobby starts it ("Bench 127.0.0.1 true"). Prints the medians,
// the median of the paired ratios and the game's peak memory (VmHWM, read a
// moment after it listens). Prints figures; asserts nothing about time.
//
// Wall time on a busy machine measures the machine as much as the programs,
// so the CPU time each had when it started listening is printed beside it.
//
// A game may open its port before its window is made, so the time until the
// whole launch step has run is printed too: the game, started as the lobby
// starts it, connects to the lobby's presence port once its main window has
// shown and it hosts. The bench listens on that port itself and times the
// connection, to set against the bare program's listening (which follows its
// window's show).
//
//   bench_startup [--runs N] [--settle MS] [--program PATH] [--bare PATH]
//
// Both run under the offscreen platform unless QT_QPA_PLATFORM says
// otherwise, in a fresh folder of their own, on free ports passed in
// VORLITH_HOST_PORT and VORLITH_PRESENCE_PORT. A program that does not read
// those listens on its default port 7772, which is watched too while free.
// A run ends when its port accepts a connection.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QStringList>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <netinet/in.h>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

constexpr quint16 DefaultPort = 7772;

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

void sleepUs(long us)
{
    timespec ts{0, us * 1000};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

std::string readWhole(const char *path)
{
    std::string text;
    FILE *f = std::fopen(path, "re");
    if (!f)
        return text;
    char buffer[16384];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        text.append(buffer, got);
    std::fclose(f);
    return text;
}

// True when something on this machine accepts connections on \a port. A
// connection to a port nobody listens on is refused at once, so this is cheap
// enough to ask every few hundred microseconds (reading the kernel's socket
// tables is not: it can take milliseconds). The probe connection is closed
// straight away; the program meets it only after it listens.
bool listening(quint16 port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected =
        connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    close(fd);
    return connected;
}

// A listening socket on a free loopback port, for the presence connection;
// -1 when none could be made.
int presenceListener(quint16 *port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = 0;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 ||
        listen(fd, 4) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        close(fd);
        return -1;
    }
    *port = ntohs(address.sin_port);
    return fd;
}

// True once something has connected to the listening socket \a fd.
bool accepted(int fd)
{
    const int peer = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (peer < 0)
        return false;
    close(peer);
    return true;
}

quint16 freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

qint64 peakKiB(pid_t pid)
{
    const std::string status = readWhole(qPrintable(QStringLiteral("/proc/%1/status").arg(pid)));
    const size_t at = status.find("VmHWM:");
    return at == std::string::npos ? -1 : std::atoll(status.c_str() + at + 6);
}

// CPU time the process's threads have had so far, from the scheduler's
// per-thread figures: unlike the wall time, it barely moves with the load of
// the machine.
double cpuMs(pid_t pid)
{
    double total = 0;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString &tid : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const std::string stat =
            readWhole(qPrintable(tasks + QLatin1Char('/') + tid + QStringLiteral("/schedstat")));
        total += double(std::atoll(stat.c_str())) / 1e6;
    }
    return total;
}

struct Run
{
    double ms{0};
    double launchedMs{-1}; // until the presence connection, when one was awaited
    double cpuMs{0};
    qint64 peakKiB{-1};
    quint16 port{0}; // the port it listened on
};

void stop(pid_t pid)
{
    kill(pid, SIGTERM);
    for (int i = 0; i < 400; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        sleepUs(5000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

std::optional<Run> startOnce(const QString &program, const QStringList &args, int settleMs,
                             bool awaitPresence)
{
    const quint16 port = freePort();
    quint16 presence = 0;
    const int presenceFd = presenceListener(&presence);
    if (port == 0 || presenceFd < 0) {
        if (presenceFd >= 0)
            close(presenceFd);
        return std::nullopt;
    }
    struct Closer
    {
        int fd;
        ~Closer() { close(fd); }
    } presenceCloser{presenceFd};
    const bool watchDefault = !listening(DefaultPort);

    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        const std::string entry(*e);
        if (entry.rfind("VORLITH_HOST_PORT=", 0) != 0 &&
            entry.rfind("VORLITH_PRESENCE_PORT=", 0) != 0)
            env.push_back(entry);
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        env.push_back("QT_QPA_PLATFORM=offscreen");
    env.push_back("VORLITH_HOST_PORT=" + std::to_string(port));
    env.push_back("VORLITH_PRESENCE_PORT=" + std::to_string(presence));
    std::vector<char *> envp;
    for (std::string &e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    std::vector<std::string> argStrings{program.toStdString()};
    for (const QString &a : args)
        argStrings.push_back(a.toStdString());
    std::vector<char *> argv;
    for (std::string &a : argStrings)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    pid_t pid = 0;
    const double start = nowMs();
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        out() << "cannot start " << program << ": " << strerror(failed) << Qt::endl;
        return std::nullopt;
    }

    Run run;
    while (nowMs() - start < 20000) {
        if (listening(port))
            run.port = port;
        else if (watchDefault && listening(DefaultPort))
            run.port = DefaultPort;
        if (run.port != 0)
            break;
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            out() << program << " ended before it listened" << Qt::endl;
            return std::nullopt;
        }
        sleepUs(250);
    }
    run.ms = nowMs() - start;
    run.cpuMs = cpuMs(pid);
    while (awaitPresence && run.port != 0 && nowMs() - start < 20000) {
        if (accepted(presenceFd)) {
            run.launchedMs = nowMs() - start;
            break;
        }
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            out() << program << " ended before it connected to the presence port" << Qt::endl;
            return std::nullopt;
        }
        sleepUs(250);
    }
    if (run.port == 0) {
        out() << program << " did not listen within 20 s"
              << (watchDefault ? ""
                               : " (port 7772 was taken: a program that does not read "
                                 "VORLITH_HOST_PORT cannot listen)")
              << Qt::endl;
        stop(pid);
        return std::nullopt;
    }
    // Let it finish showing its window and logging in its own player.
    const double settled = nowMs() + settleMs;
    while (nowMs() < settled)
        sleepUs(5000);
    run.peakKiB = peakKiB(pid);
    stop(pid);
    return run;
}

template <typename T> double median(std::vector<T> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? double(values[n / 2]) : (double(values[n / 2 - 1]) + double(values[n / 2])) / 2;
}

QString fixed(double v, int decimals = 1)
{
    return QString::number(v, 'f', decimals);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    int runs = 15;
    int settleMs = 500;
    QString program = QStringLiteral(VORLITH_PROGRAM);
    QString bare = QStringLiteral(VORLITH_BARE);
    while (!args.isEmpty()) {
        const QString option = args.takeFirst();
        const QString value = args.isEmpty() ? QString() : args.takeFirst();
        if (option == QLatin1String("--runs"))
            runs = std::max(1, value.toInt());
        else if (option == QLatin1String("--settle"))
            settleMs = std::max(0, value.toInt());
        else if (option == QLatin1String("--program"))
            program = value;
        else if (option == QLatin1String("--bare"))
            bare = value;
        else {
            out() << "usage: bench_startup [--runs N] [--settle MS] [--program PATH] [--bare PATH]"
                  << Qt::endl;
            return 2;
        }
    }

    // Each in a fresh folder: the game keeps its settings and tally beside
    // itself, and a word list "English" in the working folder would replace
    // its own.
    QTemporaryDir programDir;
    QTemporaryDir bareDir;
    const QString programCopy = programDir.filePath(QStringLiteral("vorlith"));
    const QString bareCopy = bareDir.filePath(QStringLiteral("bare"));
    if (!programDir.isValid() || !bareDir.isValid() || !QFile::copy(program, programCopy) ||
        !QFile::copy(bare, bareCopy)) {
        out() << "cannot copy " << program << " and " << bare << " to a folder of their own"
              << Qt::endl;
        return 1;
    }

    const QStringList hosting{QStringLiteral("Bench"), QStringLiteral("127.0.0.1"),
                              QStringLiteral("true")};
    std::vector<double> programMs, bareMs, ratios, programCpu, bareCpu, launchedMs, launchedRatios;
    std::vector<qint64> programPeak, barePeak;
    bool defaultPort = false;
    // One unmeasured pair first: both executables and Qt's libraries in the page cache.
    for (int i = -1; i < runs; ++i) {
        QDir::setCurrent(bareDir.path());
        const std::optional<Run> b = startOnce(bareCopy, {}, settleMs, false);
        QDir::setCurrent(programDir.path());
        const std::optional<Run> p = startOnce(programCopy, hosting, settleMs, true);
        if (!b || !p)
            return 1;
        if (i < 0)
            continue;
        defaultPort = defaultPort || p->port == DefaultPort;
        bareMs.push_back(b->ms);
        programMs.push_back(p->ms);
        ratios.push_back(p->ms / b->ms);
        if (p->launchedMs >= 0) {
            launchedMs.push_back(p->launchedMs);
            launchedRatios.push_back(p->launchedMs / b->ms);
        }
        programCpu.push_back(p->cpuMs);
        bareCpu.push_back(b->cpuMs);
        barePeak.push_back(b->peakKiB);
        programPeak.push_back(p->peakKiB);
        out() << "run " << (i + 1) << ": program " << fixed(p->ms) << " ms, bare " << fixed(b->ms)
              << " ms, ratio " << fixed(p->ms / b->ms, 2) << "; launched " << fixed(p->launchedMs)
              << " ms; CPU " << fixed(p->cpuMs) << " ms, bare " << fixed(b->cpuMs) << " ms; peak "
              << p->peakKiB / 1024 << " MB" << Qt::endl;
    }

    const double ratio = median(ratios);
    const double peakMb = double(*std::max_element(programPeak.begin(), programPeak.end())) / 1024;
    out() << "\n"
          << runs << " runs each, " << qEnvironmentVariable("QT_QPA_PLATFORM", "offscreen")
          << " platform" << (defaultPort ? ", the program on its default port" : "") << "\n"
          << "start to listening, median: program " << fixed(median(programMs)) << " ms, bare "
          << fixed(median(bareMs)) << " ms\n"
          << "median of paired ratios:     " << fixed(ratio, 2) << " (goal at most 2.0)\n"
          << "program start to launch step (presence connection), median: "
          << fixed(median(launchedMs)) << " ms (" << launchedMs.size() << " of " << runs
          << " runs), median ratio to the bare program's listening: "
          << fixed(median(launchedRatios), 2) << "\n"
          << "CPU time to listening, median: program " << fixed(median(programCpu)) << " ms, bare "
          << fixed(median(bareCpu)) << " ms, ratio "
          << fixed(median(programCpu) / median(bareCpu), 2) << "\n"
          << "program peak memory (VmHWM): median " << fixed(median(programPeak) / 1024)
          << " MB, max " << fixed(peakMb) << " MB (goal at most 64 MB)\n"
          << "bare peak memory (VmHWM):    median " << fixed(median(barePeak) / 1024) << " MB\n"
          << "goals met: " << (ratio <= 2.0 && peakMb <= 64 ? "yes" : "no") << Qt::endl;
    return 0;
}
