#pragma once

#include "client/boardmodel.h"

#include <QObject>
#include <QString>

#include <functional>

namespace vorlith::client {

class ClientSession;
class Launcher;
class Roster;
class RoundFlow;

/// The client's side of a game without any window: the connection to the
/// host, the launch step, who sits where, the board and the course of the
/// round. It routes every host message to the part it concerns and turns the
/// player's intentions into messages. Windows show its parts and call its
/// commands; the program, the computer players and the tests talk to it.
class GameClient : public QObject
{
    Q_OBJECT
public:
    explicit GameClient(QObject *parent = nullptr);
    ~GameClient() override;

    ClientSession &session() { return *m_session; }
    const ClientSession &session() const { return *m_session; }
    Launcher &launcher() { return *m_launcher; }
    const Launcher &launcher() const { return *m_launcher; }
    Roster &roster() { return *m_roster; }
    const Roster &roster() const { return *m_roster; }
    BoardModel &board() { return *m_board; }
    const BoardModel &board() const { return *m_board; }
    RoundFlow &flow() { return *m_flow; }
    const RoundFlow &flow() const { return *m_flow; }

    bool isConnected() const;
    bool isHost() const;
    int ownNumber() const;

    /// The program's one generator, for the shuffle.
    void setRandomSource(RandomSource random);
    /// The name of the sound that opens a round.
    void setTurnSound(std::function<QString()> name);

    /// Acts on the launch parameters: hosts or joins.
    void launch();

    // Commands. Each does nothing where the host would not take it.
    /// Asks the host to start a game of \a rounds rounds of \a creationTime.
    void startGame(int rounds, int creationTime);
    /// Asks the host to let the own seat watch (true) or play again.
    void setWatching(bool watching);
    /// Asks the host to let seat \a seat watch (true) or play again: the
    /// hosting player's seat menu.
    void setSeatWatching(int seat, bool watching);
    /// Asks the host to remove participant \a number (hosting player only).
    void removePlayer(int number);
    /// Sends a chat line or an action with its colour, as the chat writes it.
    void sendChat(const QString &text, const QString &colorText);
    void sendAction(const QString &text, const QString &colorText);
    /// Asks everybody at the table to hear the chatter sound \a name.
    void playSound(const QString &name);
    /// The word under construction: the board's own operations.
    void submitWord() { m_board->submitWord(); }
    void clearWord() { m_board->clearWordAloud(); }
    void removeLastLetter() { m_board->removeLastLetter(); }
    void shuffle() { m_board->shuffle(); }
    bool chooseLetter(int code) { return m_board->chooseLetter(code); }

Q_SIGNALS:
    /// A notice of the program's own for the chat.
    void systemLine(const QString &line);
    /// The host vanished without a word (found by the liveness probes, a
    /// reset or a lost route); closed() follows.
    void connectionLost();
    /// A chat or action line from the host, as received.
    void chatReceived(const QString &fields);
    /// Participant \a slot asks for chatter sound \a sound.
    void chatterReceived(int slot, const QString &sound);
    /// A sound of the game is due.
    void soundRequested(const QString &name);
    /// Text for the general error display.
    void errorRaised(const QString &text);
    /// The host took the login: chat can be sent now.
    void loggedIn();
    /// The host refused the connection: the table is full.
    void gameFull();
    /// The connection to the host is over: the game ends.
    void closed();
    /// This program hosts (true) or joins (false).
    void hostingChanged(bool host);
    /// A solo game starts.
    void soloStarted();
    /// The own record arrived from the host: the settings may be loaded now.
    void ownArrival();
    /// Whether the own seat watches, as the host confirmed it or a new game
    /// reset it.
    void ownWatchingChanged(bool watching);
    /// A finished game and an accepted own word, for the tally.
    void gameRecorded(const QString &result);
    void wordRecorded(const QString &word);

private:
    void wireHostMessages();

    ClientSession *m_session{nullptr};
    Launcher *m_launcher{nullptr};
    Roster *m_roster{nullptr};
    BoardModel *m_board{nullptr};
    RoundFlow *m_flow{nullptr};
};

} // namespace vorlith::client
