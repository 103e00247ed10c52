#include "lobby/lobby.h"
#include "lobby/lobbysettings.h"
#include "lobby/lobbywindow.h"
#include "lobby/presence.h"
#include "lobby/tablemodel.h"
#include "webserver.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace vorlith::lobby;

class TestLobbyWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyControlIsReachedByTabAndNamed();
    void theListShowsWhileTheWindowDoesAndJoinSaysWatchWhenFull();
    void columnsGrowWithTheirTextsAndASelectionStaysWithItsTable();
};

namespace {

struct Rig
{
    QTemporaryDir dir;
    LobbySettings settings{dir.filePath(QStringLiteral("brakmolobby.ini"))};
    GameLauncher launcher{dir.path()};
    PresenceServer presence;
    Lobby lobby{settings, launcher, presence};
    LobbyWindow window{lobby};
    Rig() { lobby.api().setManualDeadlines(true); }
};

} // namespace

void TestLobbyWindow::everyControlIsReachedByTabAndNamed()
{
    Rig rig;
    rig.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rig.window));

    // Every control that takes the keyboard has a name a screen reader reads.
    QList<QWidget *> controls;
    for (QWidget *w : rig.window.findChildren<QWidget *>()) {
        if (w->focusPolicy() & Qt::TabFocus && w->isVisibleTo(&rig.window) &&
            !qobject_cast<QHeaderView *>(w) && w->parentWidget() &&
            !w->parentWidget()->inherits("QAbstractScrollArea")) {
            controls.append(w);
            QVERIFY2(!w->accessibleName().isEmpty(), w->metaObject()->className());
        }
    }
    QVERIFY(controls.size() >= 10);
    // Tab walks through all of them and comes back.
    QSet<QWidget *> reached;
    QWidget *w = rig.window.nextInFocusChain();
    for (int i = 0; i < 200 && reached.size() < controls.size(); ++i, w = w->nextInFocusChain()) {
        if (controls.contains(w))
            reached.insert(w);
    }
    QCOMPARE(reached.size(), controls.size());

    // The list is a real table with its columns named.
    QTableView *view = rig.window.tableView();
    QCOMPARE(view->model()->columnCount(), int(TableListModel::ColumnCount));
    QStringList headers;
    for (int c = 0; c < view->model()->columnCount(); ++c)
        headers.append(view->model()->headerData(c, Qt::Horizontal).toString());
    QCOMPARE(headers, QStringList({"Table", "Seated", "Free seats", "State", "Computer players"}));
    QVERIFY(!view->horizontalHeader()->isHidden());

    // A label's text is what a screen reader reads of it; the description
    // says what it is.
    QLabel *status = nullptr;
    for (QLabel *label : rig.window.findChildren<QLabel *>()) {
        if (label->accessibleDescription() == QStringLiteral("Server status"))
            status = label;
    }
    QVERIFY(status);
    QAccessibleInterface *read = QAccessible::queryAccessibleInterface(status);
    QVERIFY(read);
    QVERIFY(!rig.lobby.statusText().isEmpty());
    QCOMPARE(read->text(QAccessible::Name), rig.lobby.statusText());
    QCOMPARE(read->text(QAccessible::Description), QStringLiteral("Server status"));
}

void TestLobbyWindow::theListShowsWhileTheWindowDoesAndJoinSaysWatchWhenFull()
{
    Rig rig;
    WebServer server;
    const QByteArray full =
        R"([{"id":"1","name":"Owls","host":"h","port":7781,"state":"playing","round":2,"rounds":5,"time":60,)"
        R"("computers":0,"seated":["a","b","c","d","e","f"],"spies":0,"held":[]}])";
    server.setResponder(WebServer::answer(httpAnswer("200 OK", full)));
    rig.lobby.useServer(server.hostAndPort());
    QVERIFY(!rig.lobby.isActive());
    rig.window.show();
    QVERIFY(rig.lobby.isActive());
    QTRY_COMPARE(rig.window.tableView()->model()->rowCount(), 1);
    QCOMPARE(
        rig.window.tableView()->model()->index(0, TableListModel::StateColumn).data().toString(),
        QStringLiteral("round 2 of 5"));
    rig.window.tableView()->selectRow(0);
    QAbstractButton *join = nullptr;
    for (QAbstractButton *b : rig.window.findChildren<QAbstractButton *>()) {
        if (b->accessibleName() == QStringLiteral("Watch as Spy"))
            join = b;
    }
    QVERIFY(join && join->isEnabled());

    rig.window.showMinimized();
    QTRY_VERIFY(!rig.lobby.isActive());
    QVERIFY(!rig.lobby.isPolling());
    rig.window.bringToFront();
    QTRY_VERIFY(rig.lobby.isActive());
    rig.window.hide();
    QVERIFY(!rig.lobby.isActive());
}

void TestLobbyWindow::columnsGrowWithTheirTextsAndASelectionStaysWithItsTable()
{
    Rig rig;
    WebServer server;
    const auto table = [](const QByteArray &id, const QByteArray &name, const QByteArray &state,
                          int port) {
        return R"({"id":")" + id + R"(","name":")" + name + R"(","host":"h","port":)" +
               QByteArray::number(port) + R"(,"state":")" + state +
               R"(","round":3,"rounds":5,"time":60,"computers":0,"seated":["a"],"spies":0,)"
               R"("held":[]})";
    };
    const auto list = [&server](const QList<QByteArray> &tables) {
        server.setResponder(WebServer::answer(httpAnswer("200 OK", "[" + tables.join(',') + "]")));
    };
    list({table("1", "Owls", "waiting", 7781)});
    rig.lobby.useServer(server.hostAndPort());
    rig.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
    QTableView *view = rig.window.tableView();
    QTRY_COMPARE(view->model()->rowCount(), 1);
    view->selectRow(0);
    const auto selected = [view] {
        const QModelIndexList rows = view->selectionModel()->selectedRows();
        return rows.isEmpty() ? QString() : rows.first().data().toString();
    };
    QCOMPARE(selected(), QStringLiteral("Owls"));
    // No name or state is cut short.
    const auto fits = [view] {
        for (int row = 0; row < view->model()->rowCount(); ++row) {
            for (const int column :
                 {int(TableListModel::NameColumn), int(TableListModel::StateColumn)}) {
                const QModelIndex cell = view->model()->index(row, column);
                if (view->columnWidth(column) < view->sizeHintForIndex(cell).width())
                    return false;
            }
        }
        return true;
    };

    // The selected table starts playing; then others arrive: the columns
    // widen, and the selection stays with its table.
    list({table("1", "Owls", "playing", 7781)});
    rig.lobby.refresh();
    QTRY_VERIFY(fits());
    list({table("1", "Owls", "playing", 7781), table("2", "Beginners welcome", "waiting", 7782),
          table("3", "Night owls", "playing", 7783)});
    rig.lobby.refresh();
    QTRY_COMPARE(view->model()->rowCount(), 3);
    // Fitted as they arrive, not only when the next refresh touches them.
    QCoreApplication::processEvents();
    QVERIFY(fits());
    QCOMPARE(selected(), QStringLiteral("Owls"));

    // A server started again numbers its tables anew: the table it calls 1
    // now is another one, and the selection does not pass to it.
    list({table("1", "Sunday letters for everybody", "waiting", 7790)});
    rig.lobby.refresh();
    QTRY_COMPARE(view->model()->index(0, TableListModel::NameColumn).data().toString(),
                 QStringLiteral("Sunday letters for everybody"));
    QCOMPARE(selected(), QString());
    QTRY_VERIFY(fits());
}

QTEST_MAIN(TestLobbyWindow)
#include "tst_lobbywindow.moc"
