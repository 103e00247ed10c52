#include "client/boardpanel.h"

#include "chat/chatinput.h"
#include "chat/chatroom.h"
#include "chat/chatview.h"
#include "chat/phrases.h"
#include "client/boardroom.h"
#include "client/gameclient.h"
#include "client/quickhelp.h"
#include "client/resultspanel.h"
#include "client/reviewroom.h"
#include "client/roundroom.h"
#include "client/seats.h"
#include "ui/clicklabel.h"
#include "ui/resources.h"
#include "ui/site.h"
#include "ui/theme.h"

#include <QCheckBox>

namespace vorlith::client {

BoardPanel::BoardPanel(GameClient &client, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("panel_board"));
    setGeometry(QRect(Place, Size));

    m_boardRoom = new BoardRoom(this, client.board(), this);

    auto *logo = new ui::ClickLabel(this);
    logo->setObjectName(QStringLiteral("image_logo"));
    const QPixmap logoPicture = ui::picture(QStringLiteral("logo.png"));
    if (!logoPicture.isNull())
        logo->setPixmap(logoPicture.scaled(330, 44, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    else
        logo->setText(QStringLiteral(
            "<span style='font-size:26px;font-weight:bold;color:#f5b446'>VORLITH</span>"));
    logo->setAlignment(Qt::AlignCenter);
    logo->setCursor(Qt::PointingHandCursor);
    connect(logo, &ui::ClickLabel::clicked, this, [] { ui::openUrl(ui::makerSiteUrl()); });

    auto *start =
        new ui::ImageButton(QStringLiteral("START"), QStringLiteral("button_start.png"), this);
    start->setObjectName(QStringLiteral("button_start"));
    start->setAccessibleName(QStringLiteral("Start Game"));
    start->hide();
    connect(start, &ui::ImageButton::clicked, this, &BoardPanel::startClicked);
    m_startButton = start;

    m_chat = new chat::ChatRoom(this, this);
    QList<QPixmap> smileys;
    for (int k = 0; k < ui::SmileyCount; ++k)
        smileys.append(ui::picture(ui::smileyPath(k)));
    m_chat->mainchat()->setImages(smileys);
    m_chat->mainchat()->setLinkCursor(ui::linkCursor());

    m_seats = new Seats(this, client.roster(), this);
    m_seats->setHostCheck([&client] { return client.isHost(); });
    m_seats->setConnectedCheck([&client] { return client.isConnected(); });

    m_phrases = new chat::PhraseButtons(this, PhrasesAt.x(), PhrasesAt.y(), this);

    m_roundRoom = new RoundRoom(this, client.flow(), this);
    m_roundRoom->setChatWidgets({m_chat->mainchat(), m_chat->mychat()});
    m_roundRoom->showPage(RoundRoom::Page::Chat);
    m_reviewRoom =
        new ReviewRoom(this, client.board(), client.flow(), *m_roundRoom->results(), this);
    m_reviewRoom->setHostCheck([&client] { return client.isHost(); });

    m_quickHelp = new QuickHelp(this);
    placeRooms(logo);
}

void BoardPanel::placeRooms(QWidget *logo)
{
    // The left half holds the board and what covers it between rounds; the
    // right half the logo, the seats, the chat and the word list.
    logo->setGeometry(424, 2, 330, 44);
    m_startButton->move(164, 432);

    BoardRoom &board = *m_boardRoom;
    board.boardPanel()->setGeometry(16, 31, 397, 397);
    board.typingBox()->move(176, 7);
    board.clearButton()->move(16, 432);
    board.shuffleButton()->move(164, 432);
    board.enterButton()->move(311, 432);
    board.wordLine()->setGeometry(22, 469, 389, 24);

    RoundRoom &round = *m_roundRoom;
    round.clock()->move(18, 4);
    round.roundLabel()->setGeometry(285, 3, 128, 14);
    round.timeLabel()->setGeometry(285, 17, 128, 14);
    round.statusLabel()->setGeometry(9, 502, 416, 16);
    round.winnerBanner()->setGeometry(24, 144, 383, 41);
    // The results, the review and the instructions cover the board.
    round.results()->move(3, 3);
    m_reviewRoom->panel()->move(3, 3);
    m_quickHelp->move(3, 3);

    // The chat and the own word list share one place; Chat and List choose.
    m_chat->mainchat()->setGeometry(419, 168, 342, 309);
    m_chat->mychat()->setGeometry(419, 481, 342, 22);
    round.wordListPanel()->setGeometry(419, 168, 342, 331);
    round.chatButton()->setGeometry(694, 143, 30, 21);
    round.listButton()->setGeometry(726, 143, 30, 21);

    // Seats 1-3 down the left column of the card, 4-6 down the right; the
    // score stands after the name, the latest points after the score, the
    // eyes before it.
    m_seats->card()->setGeometry(417, 50, 344, 80);
    struct SeatPlace
    {
        int nameLeft, nameTop, scoreLeft, eyesLeft, eyesTop;
    };
    static constexpr SeatPlace seatPlaces[Seats::Count] = {
        {434, 59, 524, 424, 62}, {434, 82, 524, 424, 84}, {434, 106, 524, 424, 108},
        {610, 57, 700, 600, 60}, {610, 81, 700, 600, 84}, {610, 104, 700, 600, 108},
    };
    for (int n = 1; n <= Seats::Count; ++n) {
        const SeatPlace &p = seatPlaces[n - 1];
        m_seats->nameLabel(n)->setGeometry(p.nameLeft, p.nameTop, 86, 18);
        m_seats->scoreLabel(n)->move(p.scoreLeft, p.nameTop);
        m_seats->bonusLabel(n)->move(p.scoreLeft + 40, p.nameTop);
        m_seats->eyes(n)->setGeometry(p.eyesLeft, p.eyesTop, 23, 10);
    }
}

BoardPanel::~BoardPanel() = default;

} // namespace vorlith::client
