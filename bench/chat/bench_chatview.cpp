// Cost of adding one chat line as the history grows, and of the lines a
// hostile peer sends. Each measured line goes the whole way: parsed, added,
// laid out and painted.

#include "chat/chatinput.h"
#include "chat/chatroom.h"
#include "chat/chatview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <QWidget>

#include <algorithm>
#include <vector>

using namespace vorlith::chat;

namespace {

QString lineNumber(int i)
{
    static const char *const kLines[] = {
        "3+Bob chats: hello there, anyone up for another round?|clBlack",
        "2+Ann chats: sure :)#12 give me a second|$00800000",
        "5+Cy chats: check www.example.com/scores for the table|clGreen",
        "2+Ann waves|$00800000",
        "0+You have started a game.|clBlue",
    };
    return QString::fromLatin1(kLines[i % 5]);
}

struct Figures
{
    double medianUs;
    double meanUs;
};

Figures measure(ChatRoom &room, int history, int samples)
{
    room.clearMainChat();
    for (int i = 0; i < history; ++i)
        room.onChatReceived(lineNumber(i));
    room.mainchat()->viewport()->repaint();

    std::vector<double> costs;
    costs.reserve(std::size_t(samples));
    QElapsedTimer timer;
    for (int i = 0; i < samples; ++i) {
        timer.start();
        room.onChatReceived(lineNumber(history + i));
        room.mainchat()->viewport()->repaint();
        costs.push_back(double(timer.nsecsElapsed()) / 1000.0);
    }
    double sum = 0;
    for (double c : costs)
        sum += c;
    std::nth_element(costs.begin(), costs.begin() + samples / 2, costs.end());
    return Figures{costs[std::size_t(samples / 2)], sum / samples};
}

long residentKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);

    QWidget window;
    window.resize(350, 360);
    ChatRoom room(&window);
    room.mainchat()->setGeometry(0, 0, 342, 331);
    room.mychat()->setGeometry(0, 335, 342, 21);
    window.show();

    constexpr int kSamples = 200;
    for (int history : {100, 10000}) {
        const Figures f = measure(room, history, kSamples);
        out << "history " << history << " lines: adding one line costs " << Qt::fixed
            << qSetRealNumberPrecision(1) << f.medianUs << " us (median of " << kSamples << "), "
            << f.meanUs << " us mean; " << room.mainchat()->itemCount() << " items, document "
            << room.mainchat()->documentHeight() << " px\n";
    }

    // For comparison: laying out everything again, which only a width change,
    // a new image list or a style's new face or size asks for.
    QElapsedTimer timer;
    timer.start();
    room.mainchat()->resize(room.mainchat()->width() - 40, room.mainchat()->height());
    out << "full layout of " << room.mainchat()->lineCount()
        << " lines after a width change: " << double(timer.nsecsElapsed()) / 1e6 << " ms\n";

    // Lines a hostile peer sends: how long one takes, and what a history of
    // them holds in memory (the view keeps its last lines only).
    const std::pair<const char *, QString> hostile[] = {
        {"60,000 characters without a space", QString(60000, QLatin1Char('W'))},
        {"30,000 words in 60,000 bytes", QStringLiteral("a ").repeated(30000)},
        {"12,000 smileys in 60,000 bytes", QStringLiteral(":)#12").repeated(12000)},
        {"4,096 bytes of 2,048 words, as a host passes them on", QStringLiteral("a ").repeated(2040)},
    };
    for (const auto &[what, body] : hostile) {
        room.clearMainChat();
        const QString line = QStringLiteral("3+Mal chats: ") + body + QStringLiteral("|clBlack");
        timer.start();
        room.onChatReceived(line);
        room.mainchat()->viewport()->repaint();
        const double first = double(timer.nsecsElapsed()) / 1e6;
        const long before = residentKb();
        constexpr int kLines = 200;
        timer.start();
        for (int i = 0; i < kLines; ++i)
            room.onChatReceived(line);
        room.mainchat()->viewport()->repaint();
        const double each = double(timer.nsecsElapsed()) / 1e6 / kLines;
        const long after = residentKb();
        out << "a line of " << what << ": " << first << " ms to add and show; " << each << " ms each of "
            << kLines << " more; memory " << double(after - before) / kLines << " kB a line ("
            << double(body.size()) / 1024 << " kB of text)\n";
    }
    room.clearMainChat();
    const long before = residentKb();
    const QString flood = QStringLiteral("3+Mal chats: ") + QStringLiteral("ab ").repeated(1360) + QStringLiteral("|clBlack");
    timer.start();
    for (int i = 0; i < 3 * ChatView::kMaxLines; ++i)
        room.onChatReceived(flood);
    out << 3 * ChatView::kMaxLines << " lines of 4 kB: " << double(timer.nsecsElapsed()) / 1e9 << " s; the view keeps "
        << room.mainchat()->lineCount() << " lines in " << double(residentKb() - before) / 1024 << " MB\n";
    return 0;
}
