#include "net/dispatcher.h"
#include "net/framing.h"
#include "net/handlererror.h"

#include <QTest>

using namespace vorlith::net;

class TestFraming : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void splitsStreamIntoLines_data();
    void splitsStreamIntoLines();
    void unfinishedLineStaysBounded();
    void longCompleteLineIsCutNotLost();
    void dispatchesOneLinePerTickInOrder();
    void dropsLinesWithoutKnownCommand_data();
    void dropsLinesWithoutKnownCommand();
    void failingHandlerLosesOnlyItsLine();
    void linesRunAsTheyArriveAndNothingRunsIdle();
    void aTurnIsBoundedAndLetsTheLoopRun();
    void turnTakesConnectionsInTurnUpToItsLimit();
    void timesEachHandledLineByItsWord();
    void countsWaitingLinesPerConnection();
    void hostFramerKeepsTheFirst4096Bytes();
    void connectionsTakeTurnsKeepingTheirOrder();
    void lineWaitsAtMostOneTickPerOtherConnection();
    void closedConnectionKeepsItsNextLines();
    void reportsWhenTheLastLineIsHandled();
};

void TestFraming::splitsStreamIntoLines_data()
{
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<QList<QByteArray>>("expected");
    QTest::addColumn<QByteArray>("carry");

    QTest::newRow("one line") << QList<QByteArray>{"CMD_full+\xff"}
                              << QList<QByteArray>{"CMD_full+"} << QByteArray();
    QTest::newRow("two in one read")
        << QList<QByteArray>{"CMD_chat+1+hi|clRed\xff"
                             "CMD_full+\xff"}
        << QList<QByteArray>{"CMD_chat+1+hi|clRed", "CMD_full+"} << QByteArray();
    QTest::newRow("cut inside the command word")
        << QList<QByteArray>{"CMD_sendlog", "ininfo+3\xff"}
        << QList<QByteArray>{"CMD_sendlogininfo+3"} << QByteArray();
    QTest::newRow("cut at the terminator")
        << QList<QByteArray>{"CMD_full+", "\xff"} << QList<QByteArray>{"CMD_full+"} << QByteArray();
    QTest::newRow("two terminators give an empty line")
        << QList<QByteArray>{"CMD_logininfo+1+1.0.3+Kim\xff\xff"}
        << QList<QByteArray>{"CMD_logininfo+1+1.0.3+Kim", ""} << QByteArray();
    QTest::newRow("byte by byte") << QList<QByteArray>{"C", "M", "D", "_", "x", "+", "\xff", "y"}
                                  << QList<QByteArray>{"CMD_x+"} << QByteArray("y");
    QTest::newRow("tail kept") << QList<QByteArray>{"CMD_a+\xff"
                                                    "CMD_b"}
                               << QList<QByteArray>{"CMD_a+"} << QByteArray("CMD_b");
}

void TestFraming::splitsStreamIntoLines()
{
    QFETCH(QList<QByteArray>, reads);
    QFETCH(QList<QByteArray>, expected);
    QFETCH(QByteArray, carry);
    LineFramer framer;
    QList<QByteArray> lines;
    for (const QByteArray &r : reads)
        framer.feed(r, lines);
    QCOMPARE(lines, expected);
    QCOMPARE(framer.carrySize(), carry.size());
    QVERIFY(!framer.overflowed());
}

void TestFraming::unfinishedLineStaysBounded()
{
    LineFramer framer;
    QList<QByteArray> lines;
    const QByteArray chunk(32768, 'a');
    for (int i = 0; i < 200; ++i) // 6.5 MB without a terminator
        framer.feed(chunk, lines);
    QVERIFY(lines.isEmpty());
    QVERIFY(framer.overflowed());
    QCOMPARE(framer.carrySize(), MaxLineLength);
    // The next terminator ends the cut line; what follows is read normally.
    framer.feed(QByteArray("tail\xff"
                           "CMD_full+\xff"),
                lines);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0].size(), MaxLineLength);
    QCOMPARE(lines[1], QByteArray("CMD_full+"));
}

void TestFraming::longCompleteLineIsCutNotLost()
{
    // A round-over line of six busy seats is far longer than 4096 bytes and
    // must arrive whole.
    QByteArray line = "CMD_roundover";
    for (int seat = 1; seat <= 6; ++seat) {
        line += "+" + QByteArray::number(seat) + "+900+900+";
        for (int w = 0; w < 300; ++w)
            line += "WORDS:25,";
    }
    QVERIFY(line.size() > 4096);
    QVERIFY(line.size() < MaxLineLength);
    LineFramer framer;
    QList<QByteArray> lines;
    framer.feed(line + '\xff', lines);
    QCOMPARE(lines.value(0), line);

    Dispatcher d;
    d.setManual(true);
    QString got;
    d.addCommand("CMD_roundover", [&](const QString &fields, const LineOrigin &) { got = fields; });
    d.enqueue(line);
    QVERIFY(d.tick());
    QCOMPARE(got.toLatin1(), line.mid(14));
}

void TestFraming::dispatchesOneLinePerTickInOrder()
{
    Dispatcher d;
    d.setManual(true);
    QStringList calls;
    d.addCommand("CMD_full", [&](const QString &f, const LineOrigin &) { calls << "full:" + f; });
    d.addCommand("CMD_chat", [&](const QString &f, const LineOrigin &o) {
        calls << "chat:" + f + ":" + QString::number(o.slot);
    });
    d.enqueue("CMD_chat+2+a+b|clRed", {2, 7});
    d.enqueue("CMD_full+");
    QVERIFY(d.tick());
    QCOMPARE(calls, QStringList{"chat:2+a+b|clRed:2"});
    QVERIFY(d.tick());
    QCOMPARE(calls, (QStringList{"chat:2+a+b|clRed:2", "full:"}));
    QVERIFY(!d.tick()); // empty queue: nothing happens
    QCOMPARE(calls.size(), 2);
}

void TestFraming::dropsLinesWithoutKnownCommand_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("no plus") << QByteArray("CMD_full");
    QTest::newRow("empty line") << QByteArray("");
    QTest::newRow("empty command word") << QByteArray("+CMD_full+");
    QTest::newRow("other case") << QByteArray("cmd_full+");
    QTest::newRow("unknown word") << QByteArray("CMD_fullx+");
    QTest::newRow("prefix of a word") << QByteArray("CMD_ful+");
}

void TestFraming::dropsLinesWithoutKnownCommand()
{
    QFETCH(QByteArray, line);
    Dispatcher d;
    d.setManual(true);
    int calls = 0;
    d.addCommand("CMD_full", [&](const QString &, const LineOrigin &) { ++calls; });
    QByteArray dropped = "not called";
    connect(&d, &Dispatcher::lineDropped, this, [&](const QByteArray &l) { dropped = l; });
    d.enqueue(line);
    QVERIFY(d.tick());
    QCOMPARE(calls, 0);
    QCOMPARE(dropped, line);
}

void TestFraming::failingHandlerLosesOnlyItsLine()
{
    Dispatcher d;
    d.setManual(true);
    QStringList errors;
    QStringList handled;
    d.setErrorHandler([&](const QString &e) { errors << e; });
    d.addCommand("CMD_x", [&](const QString &f, const LineOrigin &) {
        if (f == QLatin1String("bad"))
            throw HandlerError(QStringLiteral("'bad' is not a valid integer value"));
        handled << f;
    });
    d.enqueue("CMD_x+bad");
    d.enqueue("CMD_x+good");
    QCOMPARE(d.drain(), 2);
    QCOMPARE(errors, QStringList{"'bad' is not a valid integer value"});
    QCOMPARE(handled, QStringList{"good"});
}

void TestFraming::linesRunAsTheyArriveAndNothingRunsIdle()
{
    Dispatcher d;
    int calls = 0;
    d.addCommand("CMD_x", [&](const QString &, const LineOrigin &) { ++calls; });
    QVERIFY(!d.isTimerActive());
    d.enqueue("CMD_x+1");
    d.enqueue("CMD_x+2");
    QVERIFY(d.isTimerActive());
    // One return to the event loop handles both: no tick between them.
    QCoreApplication::processEvents();
    QCOMPARE(calls, 2);
    QVERIFY(!d.isTimerActive());
}

void TestFraming::aTurnIsBoundedAndLetsTheLoopRun()
{
    Dispatcher d;
    int calls = 0;
    d.addCommand("CMD_x", [&](const QString &, const LineOrigin &) { ++calls; });
    const int total = 3 * Dispatcher::LinesPerTurn + 5;
    for (int i = 0; i < total; ++i)
        d.enqueue("CMD_x+" + QByteArray::number(i), {1, quint64(1 + i % 2)});
    // Something else the loop has to do while the lines wait.
    int handledWhenServed = -1;
    QMetaObject::invokeMethod(
        this, [&] { handledWhenServed = calls; }, Qt::QueuedConnection);
    QTRY_COMPARE(calls, total);
    QVERIFY(handledWhenServed >= 0);
    QVERIFY(handledWhenServed <= total - Dispatcher::LinesPerTurn);
    QTRY_VERIFY(!d.isTimerActive());
}

void TestFraming::turnTakesConnectionsInTurnUpToItsLimit()
{
    Dispatcher d;
    d.setManual(true);
    QStringList order;
    d.addCommand("CMD_x", [&](const QString &f, const LineOrigin &) { order << f; });
    for (int i = 0; i < 100; ++i)
        d.enqueue("CMD_x+a", {1, 10});
    for (int i = 0; i < 3; ++i)
        d.enqueue("CMD_x+b", {2, 20});
    QCOMPARE(d.turn(10), 10);
    QCOMPARE(order.mid(0, 6), (QStringList{"a", "b", "a", "b", "a", "b"}));
    QCOMPARE(d.pendingFrom(20), 0);
    QCOMPARE(d.turn(), Dispatcher::LinesPerTurn);
    QCOMPARE(d.pending(), 103 - 10 - Dispatcher::LinesPerTurn);
    QCOMPARE(d.turn(1000), 103 - 10 - Dispatcher::LinesPerTurn);
    QCOMPARE(d.turn(), 0);
}

void TestFraming::timesEachHandledLineByItsWord()
{
    Dispatcher d;
    d.setManual(true);
    QList<QByteArray> words;
    d.setLineTimer([&](const QByteArray &word, std::chrono::nanoseconds taken) {
        QVERIFY(taken.count() >= 0);
        words << word;
    });
    d.addCommand("CMD_myword", [](const QString &, const LineOrigin &) {});
    d.enqueue("CMD_myword+1+cat");
    d.enqueue("junk");
    QCOMPARE(d.drain(), 2);
    QCOMPARE(words, (QList<QByteArray>{"CMD_myword", ""}));
}

void TestFraming::countsWaitingLinesPerConnection()
{
    Dispatcher d;
    d.setManual(true);
    d.addCommand("CMD_x", [](const QString &, const LineOrigin &) {});
    d.enqueue("CMD_x+1", {1, 11});
    d.enqueue("CMD_x+22", {2, 22});
    d.enqueue("CMD_x+1", {1, 11});
    QCOMPARE(d.pendingFrom(11), 2);
    QCOMPARE(d.pendingBytesFrom(11), 14);
    d.dropFrom(11);
    QCOMPARE(d.pending(), 1);
    QCOMPARE(d.pendingFrom(11), 0);
    QVERIFY(d.tick());
    QCOMPARE(d.pendingFrom(22), 0);
}

void TestFraming::hostFramerKeepsTheFirst4096Bytes()
{
    LineFramer framer(HostLineLength);
    QList<QByteArray> lines;
    const QByteArray head = "CMD_chat+2+";
    const QByteArray body(6000, 'x');
    // Split over reads, so the cut happens inside a carried-over line.
    framer.feed(head + body.left(3000), lines);
    framer.feed(body.mid(3000) + "|clRed\xff"
                                 "CMD_full+\xff",
                lines);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0], (head + body).left(HostLineLength));
    QCOMPARE(lines[1], QByteArray("CMD_full+"));
    QVERIFY(!framer.overflowed()); // a long chat line is cut, its sender not blamed

    framer.feed(QByteArray(MaxLineLength + 1, 'y'), lines);
    QVERIFY(framer.overflowed());
    QCOMPARE(framer.carrySize(), HostLineLength);
}

void TestFraming::connectionsTakeTurnsKeepingTheirOrder()
{
    Dispatcher d;
    d.setManual(true);
    QStringList order;
    d.addCommand("CMD_x", [&](const QString &f, const LineOrigin &) { order << f; });
    for (const char *line : {"CMD_x+a1", "CMD_x+a2", "CMD_x+a3", "CMD_x+a4"})
        d.enqueue(line, {1, 10});
    d.enqueue("CMD_x+b1", {2, 20});
    d.enqueue("CMD_x+c1", {3, 30});
    d.enqueue("CMD_x+b2", {2, 20});
    QCOMPARE(d.waitingConnections(), (std::vector<quint64>{10, 20, 30}));
    QCOMPARE(d.drain(), 7);
    QCOMPARE(order, (QStringList{"a1", "b1", "c1", "a2", "b2", "a3", "a4"}));
}

void TestFraming::lineWaitsAtMostOneTickPerOtherConnection()
{
    Dispatcher d;
    d.setManual(true);
    QStringList handled;
    d.addCommand("CMD_x", [&](const QString &f, const LineOrigin &) { handled << f; });
    for (quint64 flooder = 1; flooder <= 4; ++flooder) {
        for (int i = 0; i < 990; ++i)
            d.enqueue("CMD_x+spam", {int(flooder), flooder});
    }
    d.enqueue("CMD_x+word", {5, 5});
    int ticks = 0;
    while (handled.isEmpty() || handled.last() != QLatin1String("word")) {
        QVERIFY(d.tick());
        QVERIFY(++ticks <= 5);
    }
    // The flooders go on taking turns among themselves.
    QCOMPARE(d.pending(), 4 * 990 - 4);
    QCOMPARE(d.waitingConnections().size(), std::size_t(4));
}

void TestFraming::closedConnectionKeepsItsNextLines()
{
    Dispatcher d;
    d.setManual(true);
    QStringList handled;
    d.addCommand("CMD_x", [&](const QString &f, const LineOrigin &) { handled << f; });
    for (int i = 1; i <= 30; ++i)
        d.enqueue("CMD_x+" + QByteArray::number(i), {1, 10});
    d.enqueue("CMD_x+other+" + QByteArray(200, 'o'),
              {2, 20}); // fewer bytes than all 30, more than 16
    QCOMPARE(d.largestBacklog(), std::optional<quint64>(10));
    d.keepNextFrom(10, 16);
    QCOMPARE(d.pendingFrom(10), 16);
    QCOMPARE(d.pendingBytesFrom(10), 9 * 7 + 7 * 8); // "CMD_x+1".."CMD_x+16"
    QCOMPARE(d.pendingBytes(), d.pendingBytesFrom(10) + d.pendingBytesFrom(20));
    QCOMPARE(d.largestBacklog(), std::optional<quint64>(20));
    d.drain();
    QCOMPARE(handled.size(), 17);
    QCOMPARE(handled.first(), QStringLiteral("1"));
    QVERIFY(handled.contains(QStringLiteral("16")));
    QVERIFY(!handled.contains(QStringLiteral("17")));
    QCOMPARE(d.pendingBytes(), 0);
    QCOMPARE(d.largestBacklog(), std::nullopt);
    d.keepNextFrom(99, 3); // nothing waits from there: nothing happens
}

void TestFraming::reportsWhenTheLastLineIsHandled()
{
    Dispatcher d;
    d.setManual(true);
    int drained = 0;
    connect(&d, &Dispatcher::drained, this, [&] { ++drained; });
    d.addCommand("CMD_x", [](const QString &, const LineOrigin &) {});
    d.enqueue("CMD_x+1");
    d.enqueue("junk");
    QVERIFY(d.tick());
    QCOMPARE(drained, 0);
    QVERIFY(d.tick()); // a dropped line empties the queue too
    QCOMPARE(drained, 1);
    QVERIFY(!d.tick());
    QCOMPARE(drained, 1);
}

QTEST_GUILESS_MAIN(TestFraming)
#include "tst_framing.moc"
