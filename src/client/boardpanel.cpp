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
    logo->setGeometry(424, 2, 330, 44);
    logo->setAlignment(Qt::AlignCenter);
    logo->setCursor(Qt::PointingHandCursor);
    connect(logo, &ui::ClickLabel::clicked, this, [] { ui::openUrl(ui::makerSiteUrl()); });

    auto *start =
        new ui::ImageButton(QStringLiteral("START"), QStringLiteral("button_start.png"), this);
    start->setObjectName(QStringLiteral("button_start"));
    start->setAccessibleName(QStringLiteral("Start Game"));
    start->move(164, 432);
    start->hide();
    connect(start, &ui::ImageButton::clicked, this, &BoardPanel::startClicked);
    m_startButton = start;

    m_chat = new chat::ChatRoom(this, this);
    m_chat->mainchat()->setGeometry(419, 168, 342, 309);
    m_chat->mychat()->setGeometry(419, 481, 342, 22);
    QList<QPixmap> smileys;
    for (int k = 0; k < ui::SmileyCount; ++k)
        smileys.append(ui::picture(ui::smileyPath(k)));
    m_chat->mainchat()->setImages(smileys);
    m_chat->mainchat()->setLinkCursor(ui::linkCursor());

    m_seats = new Seats(this, client.roster(), this);
    m_seats->setHostCheck([&client] { return client.isHost(); });
    m_seats->setConnectedCheck([&client] { return client.isConnected(); });

    m_phrases = new chat::PhraseButtons(this, 419, 143, this);

    m_roundRoom = new RoundRoom(this, client.flow(), this);
    m_roundRoom->setChatWidgets({m_chat->mainchat(), m_chat->mychat()});
    m_roundRoom->showPage(RoundRoom::Page::Chat);
    m_reviewRoom =
        new ReviewRoom(this, client.board(), client.flow(), *m_roundRoom->results(), this);
    m_reviewRoom->setHostCheck([&client] { return client.isHost(); });

    m_quickHelp = new QuickHelp(this);
}

BoardPanel::~BoardPanel() = default;

} // namespace vorlith::client
