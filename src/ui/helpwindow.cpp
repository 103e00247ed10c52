#include "ui/helpwindow.h"

#include "ui/clicklabel.h"
#include "ui/theme.h"

#include <QDate>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTextBrowser>

namespace vorlith::ui {

namespace {

struct Page
{
    const char *caption;
    const char *html;
};

// Our own help pages.
const Page pages[] = {
    {"Overview",
     "<p><b>Vorlith</b> is a race against the clock with words. Every round the host deals one board of "
     "36 letters, six by six, and everybody at the table gets the very same board.</p>"
     "<p>Build as many words as you can before the time runs out. Each letter tile may be used once "
     "in a word, and the tiles you pick do not have to touch each other: any cells, in any order.</p>"
     "<p>Up to six players sit at the table. Up to three more can join as spies: they see everything "
     "and can chat, but they do not play.</p>"},
    {"Playing a Round",
     "<p>When the round starts the timer above the board begins to count down. Click letters on the "
     "board, or simply type them, to build a word in the word line. A used tile is crossed out until "
     "the word is sent.</p>"
     "<ul><li><b>SUBMIT</b> (or Enter, or a right click on the board) sends the word.</li>"
     "<li><b>CLEAR</b> empties the word line; Backspace takes back the last letter.</li>"
     "<li><b>SHUFFLE</b> (or the space bar) mixes up the tiles, which often shows you new words.</li></ul>"
     "<p>Your words and what the host said about them appear in the word list on the right.</p>"},
    {"Scoring",
     "<p>Every accepted word scores the <b>square of its length</b>: a three-letter word is worth 9, "
     "a five-letter word 25, an eight-letter word 64. Long words pay off!</p>"
     "<p>A word is refused when it is not in the word list or cannot be made from the board. "
     "The same word counts only once per round.</p>"
     "<p>A game lasts the number of rounds the host chose. The highest total wins; when two or more "
     "players share the top total, another round is played until one of them leads.</p>"},
    {"Chatting",
     "<p>Type into the box under the chat and press Enter. Start a line with <b>/me</b> to describe "
     "what you do, for example <i>/me waves</i>.</p>"
     "<p>Web addresses become links you can click. The smiley button puts a smiley code into your "
     "line, and the phrase buttons above the chat send a ready-made phrase with one click; you can "
     "change them under View &gt; Phrase List.</p>"
     "<p>The chatter sounds menu lets everybody at the table hear a short sound. Under Options you "
     "choose your text colour and size and switch the sounds on or off.</p>"},
    {"Watching and Spying",
     "<p>Choose <b>Just Watch</b> in the Options menu during a game to sit out; a pair of eyes next "
     "to your name shows the others that you are watching. Choose it again to play on.</p>"
     "<p>Participants who arrive when all six seats are taken become spies. The Spy List shows who "
     "is spying.</p>"
     "<p>The host can set or unset Just Watch for a seat, and can remove a participant, from the "
     "menu of a seat's name.</p>"},
    {"Tally",
     "<p>Vorlith keeps a tally of your games on this computer: how many you played and won and the "
     "longest word you found.</p>"
     "<p>Under View &gt; View Tally you can also keep count of the games you played against chosen "
     "opponents, in all and in this session. Tick a player in the list of the current game to start "
     "tallying him.</p>"},
};

} // namespace

HelpWindow::HelpWindow(const QPixmap &background, QWidget *aboutWindow, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("help"));
    setWindowTitle(QStringLiteral("Vorlith - Help File"));
    setFixedSize(560, 400);
    setBackground(this, background, colors::Parchment);

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("label_title"));
    m_title->setFont(arial(18, true));
    m_title->setStyleSheet(QStringLiteral("color: #1f4a6d;"));
    m_title->setGeometry(170, 10, 370, 28);

    m_pages = new QStackedWidget(this);
    m_pages->setGeometry(170, 44, 375, 300);

    int y = 44;
    int index = 0;
    for (const Page &page : pages) {
        m_captions.append(QString::fromLatin1(page.caption));
        // The text itself is laid out when its page is first seen (pageText()).
        m_pages->addWidget(new QWidget(m_pages));

        auto *button = new QPushButton(m_captions.last(), this);
        button->setGeometry(12, y, 146, 28);
        button->setCursor(Qt::PointingHandCursor);
        connect(button, &QPushButton::clicked, this, [this, index] { showPage(index); });
        y += 34;
        ++index;
    }
    m_texts.resize(m_captions.size());

    auto *about = new QPushButton(QStringLiteral("About"), this);
    about->setGeometry(12, 310, 146, 28);
    connect(about, &QPushButton::clicked, this, [aboutWindow] {
        if (aboutWindow) {
            aboutWindow->show();
            aboutWindow->raise();
        }
    });

    m_year = new QLabel(QStringLiteral("\u00a9 %1 Brakmo Software").arg(QDate::currentDate().year()), this);
    m_year->setObjectName(QStringLiteral("label_year"));
    m_year->setFont(arial(11));
    m_year->setStyleSheet(QStringLiteral("color: #1f4a6d;"));
    m_year->setGeometry(12, 360, 200, 20);

    auto *done = new ImageButton(QStringLiteral("Done"), QStringLiteral("button_done.png"), this);
    done->setObjectName(QStringLiteral("button_done"));
    done->move(width() - done->width() - 16, 356);
    connect(done, &ImageButton::clicked, this, &QDialog::hide);

    showPage(0);
}

QTextBrowser *HelpWindow::pageText(int index)
{
    QTextBrowser *&text = m_texts[std::size_t(index)];
    if (!text) {
        text = new QTextBrowser(m_pages);
        text->setHtml(QString::fromLatin1(pages[index].html));
        text->setFont(arial(13));
        text->setStyleSheet(QStringLiteral("QTextBrowser { background: #f7f7ee; border: 1px solid #b9a97a; "
                                           "border-radius: 6px; padding: 6px; }"));
        QWidget *placeholder = m_pages->widget(index);
        m_pages->insertWidget(index, text);
        m_pages->removeWidget(placeholder);
        delete placeholder;
    }
    return text;
}

void HelpWindow::showPage(int index)
{
    if (index < 0 || index >= m_pages->count())
        return;
    m_current = index;
    m_title->setText(m_captions.at(index));
    // A start need not lay out help texts nobody has opened yet.
    if (isVisible())
        m_pages->setCurrentWidget(pageText(index));
}

void HelpWindow::showEvent(QShowEvent *event)
{
    m_pages->setCurrentWidget(pageText(m_current));
    QDialog::showEvent(event);
}

int HelpWindow::pageCount() const
{
    return m_pages->count();
}

QString HelpWindow::pageTitle() const
{
    return m_title->text();
}

int HelpWindow::currentPage() const
{
    return m_current;
}

} // namespace vorlith::ui
