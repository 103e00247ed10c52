#pragma once

#include <QPixmap>
#include <QWidget>

namespace vorlith::chat {
class ChatRoom;
class PhraseButtons;
} // namespace vorlith::chat

namespace vorlith::client {

class BoardRoom;
class GameClient;
class QuickHelp;
class ReviewRoom;
class RoundRoom;
class Seats;

/// The main window's picture of the game: the rooms (board, seats, round,
/// review, chat, phrases, quick instructions), the logo and the START button
/// on the one panel the window shows. The rooms build their widgets and show
/// the game client's parts; this panel alone puts them in their places.
class BoardPanel : public QWidget
{
    Q_OBJECT
public:
    static constexpr QPoint Place{2, 2};
    static constexpr QSize Size{766, 526};
    /// Where the phrase buttons' row begins.
    static constexpr QPoint PhrasesAt{419, 143};

    BoardPanel(GameClient &client, QWidget *parent = nullptr);
    ~BoardPanel() override;

    BoardRoom &boardRoom() { return *m_boardRoom; }
    Seats &seats() { return *m_seats; }
    RoundRoom &roundRoom() { return *m_roundRoom; }
    ReviewRoom &reviewRoom() { return *m_reviewRoom; }
    chat::ChatRoom &chatRoom() { return *m_chat; }
    chat::PhraseButtons &phraseButtons() { return *m_phrases; }
    QuickHelp &quickHelp() { return *m_quickHelp; }
    QWidget *startButton() const { return m_startButton; }

Q_SIGNALS:
    /// The START button was clicked.
    void startClicked();

private:
    /// Every room's pixel geometry on the panel.
    void placeRooms(QWidget *logo);

    BoardRoom *m_boardRoom{nullptr};
    Seats *m_seats{nullptr};
    RoundRoom *m_roundRoom{nullptr};
    ReviewRoom *m_reviewRoom{nullptr};
    chat::ChatRoom *m_chat{nullptr};
    chat::PhraseButtons *m_phrases{nullptr};
    QuickHelp *m_quickHelp{nullptr};
    QWidget *m_startButton{nullptr};
};

} // namespace vorlith::client
