#include "lobby/launch.h"
#include "lobby/tablemodel.h"
#include "lobby/tables.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSortFilterProxyModel>
#include <QTest>

using namespace vorlith::lobby;

namespace {

// A table object as the server sends it; each test row spoils one thing.
QByteArray tableJson(const QByteArray &replace = {}, const QByteArray &with = {})
{
    QByteArray json =
        R"({"id":7,"name":"Night owls","host":"play.example.org","port":7781,)"
        R"("state":"playing","round":3,"rounds":5,"time":60,"computers":1,)"
        R"("seated":["Ann","Bo","Robot 1"],"spies":2,"held":[{"name":"Bo","seconds":150}]})";
    if (!replace.isEmpty()) {
        Q_ASSERT(json.contains(replace));
        json.replace(replace, with);
    }
    return json;
}

Table table(const QString &id, const QString &name, int seated, bool playing = false, int round = 0)
{
    Table t;
    t.id = id;
    t.name = name;
    t.host = QStringLiteral("h");
    t.port = 1;
    t.playing = playing;
    t.round = round;
    t.rounds = 5;
    for (int i = 0; i < seated; ++i)
        t.seated.append(QStringLiteral("P%1").arg(i));
    return t;
}

} // namespace

class TestTables : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void aTableObjectIsRead();
    void objectsNotOfOurShapeAreRefused_data();
    void objectsNotOfOurShapeAreRefused();
    void listsTakeTheTablesAndLeaveStrangersOut_data();
    void listsTakeTheTablesAndLeaveStrangersOut();
    void serverTextIsMadePlain();
    void serverAddressesAreRead_data();
    void serverAddressesAreRead();
    void dialAddressesBracketIPv6_data();
    void dialAddressesBracketIPv6();
    void launchesCarryTheParametersAndThePresencePort();
    void newTableBodyHasTheApiFields();
    void refreshKeepsRowsOfTablesStillListed();
    void filterAndSortWork();
};

void TestTables::aTableObjectIsRead()
{
    const auto t = api::readTableBody(tableJson());
    QVERIFY(t);
    QCOMPARE(t->id, QStringLiteral("7"));
    QCOMPARE(t->name, QStringLiteral("Night owls"));
    QCOMPARE(t->host, QStringLiteral("play.example.org"));
    QCOMPARE(t->port, quint16(7781));
    QCOMPARE(t->stateText(), QStringLiteral("round 3 of 5"));
    QCOMPARE(t->freeSeats(), 3);
    QCOMPARE(t->computers, 1);
    QCOMPARE(t->spies, 2);
    QCOMPARE(t->heldSeconds(QStringLiteral("bo")), std::optional<int>(150));
    QVERIFY(!t->heldSeconds(QStringLiteral("Ann")));
    QVERIFY(t->seats(QStringLiteral("ANN")));
    QVERIFY(t->invite.isEmpty());

    const auto waiting = api::readTableBody(tableJson(R"("playing")", R"("waiting")"));
    QCOMPARE(waiting->stateText(), QStringLiteral("waiting"));
    const auto invited =
        api::readTableBody(tableJson(R"("id":7)", R"("id":"t-9","invite":"7K3-QF2")"));
    QCOMPARE(invited->id, QStringLiteral("t-9"));
    QCOMPARE(invited->invite, QStringLiteral("7K3-QF2"));
}

void TestTables::objectsNotOfOurShapeAreRefused_data()
{
    QTest::addColumn<QByteArray>("replace");
    QTest::addColumn<QByteArray>("with");
    QTest::newRow("no id") << QByteArray(R"("id":7,)") << QByteArray();
    QTest::newRow("fractional port") << QByteArray("7781") << QByteArray("7781.5");
    QTest::newRow("port out of range") << QByteArray("7781") << QByteArray("70000");
    QTest::newRow("port as text") << QByteArray("7781") << QByteArray(R"("7781")");
    QTest::newRow("unknown state") << QByteArray(R"("playing")") << QByteArray(R"("sleeping")");
    QTest::newRow("host that is an option")
        << QByteArray("play.example.org") << QByteArray("--host");
    QTest::newRow("host with a blank") << QByteArray("play.example.org") << QByteArray("a b");
    QTest::newRow("host with a slash") << QByteArray("play.example.org") << QByteArray("a/b");
    QTest::newRow("seven seated") << QByteArray(R"("Robot 1")")
                                  << QByteArray(R"("R1","R2","R3","R4","R5")");
    QTest::newRow("seated not a list")
        << QByteArray(R"(["Ann","Bo","Robot 1"])") << QByteArray(R"("Ann")");
    QTest::newRow("seated name a number") << QByteArray(R"("Bo",)") << QByteArray("3,");
    QTest::newRow("huge name") << QByteArray("Night owls") << QByteArray(4000, 'x');
    QTest::newRow("negative seconds") << QByteArray("150") << QByteArray("-1");
    QTest::newRow("held without name") << QByteArray(R"("name":"Bo",)") << QByteArray();
    QTest::newRow("too many computers")
        << QByteArray(R"("computers":1)") << QByteArray(R"("computers":9)");
    QTest::newRow("infinite spies") << QByteArray(R"("spies":2)") << QByteArray(R"("spies":1e400)");
    QTest::newRow("not JSON") << QByteArray(R"({"id")") << QByteArray(R"(<html>{"id")");
}

void TestTables::objectsNotOfOurShapeAreRefused()
{
    QFETCH(QByteArray, replace);
    QFETCH(QByteArray, with);
    QVERIFY(!api::readTableBody(tableJson(replace, with)));
}

void TestTables::listsTakeTheTablesAndLeaveStrangersOut_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("tables"); // -1: not a list of ours
    const QByteArray t = tableJson();
    QTest::newRow("empty") << QByteArray("[]") << 0;
    QTest::newRow("array") << "[" + t + "," + tableJson(R"("id":7)", R"("id":8)") + "]" << 2;
    QTest::newRow("under tables") << R"({"tables":[)" + t + "]}" << 1;
    QTest::newRow("one stranger left out") << "[" + t + R"(,{"id":1},"x"])" << 1;
    QTest::newRow("only strangers") << QByteArray(R"([{"id":1},2])") << -1;
    QTest::newRow("an object") << t << -1;
    QTest::newRow("html") << QByteArray("<!DOCTYPE html><html></html>") << -1;
    QTest::newRow("cut short") << "[" + t.left(40) << -1;
    QTest::newRow("binary") << QByteArray("\x00\xff\xfe[", 4) << -1;
    QByteArray many = "[";
    for (int i = 0; i < api::MaxTables + 5; ++i)
        many += tableJson(R"("id":7)", R"("id":)" + QByteArray::number(i)) + ",";
    many.chop(1);
    QTest::newRow("more than the most") << many + "]" << api::MaxTables;
}

void TestTables::listsTakeTheTablesAndLeaveStrangersOut()
{
    QFETCH(QByteArray, body);
    QFETCH(int, tables);
    const auto list = api::readTableList(body);
    QCOMPARE(list.has_value(), tables >= 0);
    if (list)
        QCOMPARE(list->size(), tables);
}

void TestTables::serverTextIsMadePlain()
{
    const auto t = api::readTableBody(tableJson(R"("Bo",)", R"("B\no\u0007\u202e",)"));
    QVERIFY(t);
    QCOMPARE(t->seated.at(1), QStringLiteral("B o  "));
    const QByteArray error = "{\"error\":\"rounds: must be 1 to 10\"}";
    QCOMPARE(api::readError(error), QStringLiteral("rounds: must be 1 to 10"));
    QCOMPARE(api::readError("{\"error\":7}"), QString());
    QCOMPARE(api::readError("<html>"), QString());
    const QByteArray long_ = "{\"error\":\"" + QByteArray(1000, 'e') + "\"}";
    QCOMPARE(api::readError(long_).size(), 200);
}

void TestTables::serverAddressesAreRead_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("base"); // empty: not an address
    QTest::addColumn<QString>("shown");
    QTest::newRow("host") << "play.example.org"
                          << "http://play.example.org:7780/"
                          << "play.example.org";
    QTest::newRow("host and port") << " 10.0.0.5:8000 "
                                   << "http://10.0.0.5:8000/"
                                   << "10.0.0.5:8000";
    QTest::newRow("ipv6") << "[::1]:7780"
                          << "http://[::1]:7780/"
                          << "[::1]";
    QTest::newRow("http") << "http://a.example:7780"
                          << "http://a.example:7780/"
                          << "a.example";
    QTest::newRow("https with path") << "https://a.example/vorlith"
                                     << "https://a.example/vorlith/"
                                     << "https://a.example/vorlith";
    QTest::newRow("empty") << ""
                           << ""
                           << "";
    QTest::newRow("other scheme") << "ftp://a.example"
                                  << ""
                                  << "";
    QTest::newRow("user") << "http://me@a.example"
                          << ""
                          << "";
    QTest::newRow("blank inside") << "a example"
                                  << ""
                                  << "";
    QTest::newRow("query") << "a.example/?x=1"
                           << ""
                           << "";
}

void TestTables::serverAddressesAreRead()
{
    QFETCH(QString, typed);
    QFETCH(QString, base);
    QFETCH(QString, shown);
    const QUrl url = servers::baseUrl(typed);
    QCOMPARE(url.isValid() ? url.toString() : QString(), base);
    if (!url.isValid())
        return;
    QCOMPARE(servers::displayName(url), shown);
    // What is shown and remembered reads back as the same server.
    QCOMPARE(servers::baseUrl(shown), url);
    QCOMPARE(servers::apiUrl(url, QStringLiteral("api/tables")).toString(),
             base + QStringLiteral("api/tables"));
}

void TestTables::dialAddressesBracketIPv6_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("dial");
    QTest::newRow("name") << "play.example.org"
                          << "play.example.org:7781";
    QTest::newRow("ipv4") << "192.0.2.1"
                          << "192.0.2.1:7781";
    QTest::newRow("ipv6") << "2001:db8::1"
                          << "[2001:db8::1]:7781";
    QTest::newRow("loopback v6") << "::1"
                                 << "[::1]:7781";
}

void TestTables::dialAddressesBracketIPv6()
{
    QFETCH(QString, host);
    QFETCH(QString, dial);
    QCOMPARE(GameLauncher::dialAddress(host, 7781), dial);
}

void TestTables::launchesCarryTheParametersAndThePresencePort()
{
    GameLauncher launcher(QStringLiteral("/nonexistent"));
    Launch join = launcher.joinTable(QStringLiteral("Ann"), QStringLiteral("::1"), 7790);
    QCOMPARE(join.arguments, QStringList({"--may-start", "--join", "Ann", "[::1]:7790"}));
    // The game's default presence port needs no word, unless the lobby's
    // own environment names another that the game would inherit.
    QVERIFY(join.environment.isEmpty());
    qputenv("VORLITH_PRESENCE_PORT", "40404");
    const Launch inherited = launcher.joinTable(QStringLiteral("Ann"), QStringLiteral("h"), 1);
    qunsetenv("VORLITH_PRESENCE_PORT");
    QCOMPARE(inherited.environment.value(QStringLiteral("VORLITH_PRESENCE_PORT")),
             QStringLiteral("9001"));
    QCOMPARE(launcher.host(QStringLiteral("Ann")).arguments, QStringList({"--host", "Ann"}));
    QCOMPARE(launcher.joinLocal(QStringLiteral("Ann"), QStringLiteral("10.0.0.2")).arguments,
             QStringList({"--join", "Ann", "10.0.0.2"}));

    launcher.setPresencePort(45001);
    join = launcher.joinTable(QStringLiteral("Ann"), QStringLiteral("h"), 1);
    QCOMPARE(join.environment.value(QStringLiteral("VORLITH_PRESENCE_PORT")),
             QStringLiteral("45001"));
    QCOMPARE(launcher.host(QStringLiteral("Ann"))
                 .environment.value(QStringLiteral("VORLITH_PRESENCE_PORT")),
             QStringLiteral("45001"));

    QList<Launch> started;
    launcher.setStarter([&](const Launch &l) {
        started.append(l);
        return true;
    });
    // No game program anywhere: nothing is started.
    join.program.clear();
    QVERIFY(!launcher.start(join));
    QVERIFY(started.isEmpty());
}

void TestTables::newTableBodyHasTheApiFields()
{
    api::NewTable t;
    t.name = QStringLiteral("Ann's \"table\"");
    t.rounds = 3;
    t.time = 90;
    t.computers = 2;
    t.strength = QStringLiteral("hard");
    t.isPrivate = true;
    const QJsonObject o = QJsonDocument::fromJson(api::newTableBody(t)).object();
    QCOMPARE(o.size(), 6);
    QCOMPARE(o.value(QLatin1String("name")).toString(), t.name);
    QCOMPARE(o.value(QLatin1String("rounds")).toInt(), 3);
    QCOMPARE(o.value(QLatin1String("time")).toInt(), 90);
    QCOMPARE(o.value(QLatin1String("computers")).toInt(), 2);
    QCOMPARE(o.value(QLatin1String("strength")).toString(), QStringLiteral("hard"));
    QCOMPARE(o.value(QLatin1String("private")).toBool(), true);
}

void TestTables::refreshKeepsRowsOfTablesStillListed()
{
    TableListModel model;
    model.setTables({table("a", "A", 1), table("b", "B", 2), table("c", "C", 3)});
    QPersistentModelIndex b = model.index(1, TableListModel::NameColumn);
    QPersistentModelIndex c = model.index(2, TableListModel::SeatedColumn);
    model.setTables({table("d", "D", 0), table("c", "C", 4), table("b", "B", 6)});
    QCOMPARE(model.rowCount(), 3);
    QVERIFY(b.isValid() && c.isValid());
    QCOMPARE(b.data().toString(), QStringLiteral("B"));
    QCOMPARE(model.index(b.row(), TableListModel::FreeColumn).data().toInt(), 0);
    QCOMPARE(c.data().toString(), QStringLiteral("P0, P1, P2, P3"));
    QVERIFY(!model.tableById(QStringLiteral("a")));
    QCOMPARE(model.tableById(QStringLiteral("d"))->name, QStringLiteral("D"));
    QCOMPARE(model.index(model.rowOf(QStringLiteral("d")), TableListModel::SeatedColumn)
                 .data()
                 .toString(),
             QStringLiteral("nobody"));

    // A server started again gives the id "c" to another table: the old
    // row goes (what pointed at it is let go) and the new one comes.
    Table other = table("c", "Quite another table", 0);
    other.port = 2;
    model.setTables({table("d", "D", 0), other, table("b", "B", 6)});
    QVERIFY(!c.isValid());
    QVERIFY(b.isValid());
    QCOMPARE(model.tableById(QStringLiteral("c"))->name, QStringLiteral("Quite another table"));
    model.setTables({});
    QCOMPARE(model.rowCount(), 0);
}

void TestTables::filterAndSortWork()
{
    TableListModel model;
    TableFilter filter;
    filter.setSourceModel(&model);
    model.setTables(
        {table("1", "beta", 6), table("2", "Alpha", 2, true, 4), table("3", "gamma", 0, true, 1)});
    QCOMPARE(
        model.headerData(TableListModel::StateColumn, Qt::Horizontal, Qt::DisplayRole).toString(),
        QStringLiteral("State"));
    auto column = [&](int col) {
        QStringList out;
        for (int row = 0; row < filter.rowCount(); ++row)
            out.append(filter.index(row, col).data().toString());
        return out;
    };
    filter.sort(TableListModel::NameColumn);
    QCOMPARE(column(TableListModel::NameColumn), QStringList({"Alpha", "beta", "gamma"}));
    filter.sort(TableListModel::FreeColumn, Qt::DescendingOrder);
    QCOMPARE(column(TableListModel::NameColumn), QStringList({"gamma", "Alpha", "beta"}));
    filter.sort(TableListModel::StateColumn);
    QCOMPARE(column(TableListModel::StateColumn),
             QStringList({"waiting", "round 1 of 5", "round 4 of 5"}));
    filter.setFreeSeatsOnly(true);
    QCOMPARE(column(TableListModel::NameColumn), QStringList({"gamma", "Alpha"}));
    // A table that fills up leaves the filtered list on the next refresh.
    model.setTables(
        {table("1", "beta", 6), table("2", "Alpha", 6, true, 4), table("3", "gamma", 0, true, 1)});
    QCOMPARE(column(TableListModel::NameColumn), QStringList({"gamma"}));
    filter.setFreeSeatsOnly(false);
    QCOMPARE(filter.rowCount(), 3);
}

QTEST_GUILESS_MAIN(TestTables)
#include "tst_tables.moc"
