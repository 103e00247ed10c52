#include "chat/chatroom.h"

#include "chat/chatinput.h"
#include "chat/chatview.h"
#include "ui/messageboxes.h"

#include <QAction>
#include <QColorDialog>
#include <QDesktopServices>
#include <QLoggingCategory>
#include <QMenu>
#include <QWidget>

Q_LOGGING_CATEGORY(lcChat, "vorlith.chat")

namespace vorlith::chat {

ChatRoom::ChatRoom(QWidget *host, QObject *parent)
    : QObject(parent), m_view(new ChatView(host)), m_input(new ChatInput(host)),
      m_linkOpener([](const QUrl &url) { return QDesktopServices::openUrl(url); }),
      m_colorChooser([](const QColor &current) -> std::optional<QColor> {
          const QColor chosen = QColorDialog::getColor(current);
          if (!chosen.isValid())
              return std::nullopt;
          return chosen;
      })
{
    m_view->setObjectName(QStringLiteral("mainchat"));
    m_input->setObjectName(QStringLiteral("mychat"));

    m_textColorAction = new QAction(tr("Text Color"), this);
    connect(m_textColorAction, &QAction::triggered, this, &ChatRoom::chooseTextColor);
    for (std::size_t i = 0; i < kTextSizes.size(); ++i) {
        const int points = kTextSizes[i];
        QAction *action = new QAction(QString::number(points), this);
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, points] {
            setTextSize(points);
            Q_EMIT settingsChanged();
        });
        m_textSizeActions[i] = action;
    }
    m_scrollOffAction = new QAction(tr("Scroll Chat Off"), this);
    m_scrollOffAction->setCheckable(true);
    m_scrollOffAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    m_clearAction = new QAction(tr("Clear Main Chat"), this);
    connect(m_clearAction, &QAction::triggered, this, &ChatRoom::clearMainChat);

    // Copy and Paste show their keys in the menus; the keys themselves are
    // handled by the view and the box, which have the focus when they apply.
    m_selectAllAction = new QAction(tr("Select All"), this);
    connect(m_selectAllAction, &QAction::triggered, m_view, &ChatView::selectAll);
    m_copyAction = new QAction(tr("Copy"), this);
    m_copyAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    m_copyAction->setShortcutContext(Qt::WidgetShortcut);
    connect(m_copyAction, &QAction::triggered, m_view, &ChatView::copy);
    m_pasteAction = new QAction(tr("Paste"), this);
    m_pasteAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    m_pasteAction->setShortcutContext(Qt::WidgetShortcut);
    connect(m_pasteAction, &QAction::triggered, m_input, &ChatInput::pasteAppend);

    m_popupMainchat = new QMenu(m_view);
    m_popupMainchat->addAction(m_selectAllAction);
    m_popupMainchat->addAction(m_copyAction);
    m_popupMainchat->addAction(m_clearAction);
    m_popupMainchat->addSeparator();
    m_popupMainchat->addAction(m_scrollOffAction);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { m_popupMainchat->popup(m_view->mapToGlobal(at)); });

    m_popupMychat = new QMenu(m_input);
    m_popupMychat->addAction(m_pasteAction);
    m_input->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_input, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { m_popupMychat->popup(m_input->mapToGlobal(at)); });

    // Ctrl+S works wherever the focus is in the window, even before the main
    // window puts the action into its menu.
    m_view->addAction(m_scrollOffAction);

    connect(m_view, &ChatView::linkClicked, this,
            [this](int, const QString &text) { mainchatJump(text); });
    connect(m_input, &ChatInput::enterPressed, this, &ChatRoom::sendit);

    setTextSize(ChatView::kDefaultPointSize);
    setTextColor(kColorBlack);
}

ChatRoom::~ChatRoom() = default;

void ChatRoom::addlinetochat(const QString &line, ColorValue color)
{
    if (!m_view)
        return;
    const std::optional<ChatLine> parsed = parseChatLine(line);
    if (!parsed) {
        qCWarning(lcChat) << "chat line without a sender number dropped:" << line.left(80);
        return;
    }
    draw(*parsed, color);
}

void ChatRoom::draw(const ChatLine &line, ColorValue color)
{
    ChatView &view = *m_view;
    const int style = line.style;
    view.setStyleColor(style, resolveColor(color, view.palette()));
    view.setStyleFace(style, true, false, false);
    view.addText(line.leadIn, style, true);
    for (const ChatPiece &piece : line.body) {
        switch (piece.kind) {
        case ChatPiece::Kind::Text:
            view.addText(piece.text, style);
            break;
        case ChatPiece::Kind::Link:
            view.addLink(piece.text);
            break;
        case ChatPiece::Kind::Image:
            view.addImage(piece.image);
            break;
        }
    }
    view.format();
    // The newest line is always brought fully into view, however many rows
    // it wraps over.
    if (!scrollChatOff())
        view.scrollToEnd();
}

void ChatRoom::addSystemLine(const QString &text)
{
    addSystemLine(text, m_systemColor);
}

void ChatRoom::addSystemLine(const QString &text, ColorValue color)
{
    if (m_view)
        draw(chatLineOf(0, text), color);
}

void ChatRoom::onChatReceived(const QString &fields)
{
    const ReceivedChat received = splitReceivedChat(fields);
    addlinetochat(received.line, received.color);
}

void ChatRoom::sendit()
{
    if (!m_input)
        return;
    const SendDecision decision = decideSend(m_input->text(), m_connected, m_textColor);
    if (decision.message.kind != OutgoingChat::Kind::None)
        Q_EMIT sendRequested(decision.message);
    if (decision.clearInput)
        m_input->clear();
}

void ChatRoom::setTextColor(ColorValue color)
{
    m_textColor = color;
    if (!m_input)
        return;
    QPalette palette = m_input->palette();
    palette.setColor(QPalette::Text, resolveColor(color, palette));
    m_input->setPalette(palette);
}

int ChatRoom::textSize() const
{
    return m_view ? m_view->style(0).pointSize : ChatView::kDefaultPointSize;
}

void ChatRoom::setTextSize(int points)
{
    if (m_view)
        m_view->setAllStyleSizes(points);
    for (std::size_t i = 0; i < kTextSizes.size(); ++i)
        m_textSizeActions[i]->setChecked(kTextSizes[i] == points);
}

bool ChatRoom::scrollChatOff() const
{
    return m_scrollOffAction->isChecked();
}

QList<QAction *> ChatRoom::textSizeActions() const
{
    return QList<QAction *>(m_textSizeActions.begin(), m_textSizeActions.end());
}

QMenu *ChatRoom::createTextSizeMenu(QWidget *parent) const
{
    QMenu *menu = new QMenu(tr("Text Size"), parent);
    menu->addActions(textSizeActions());
    return menu;
}

void ChatRoom::setLinkOpener(LinkOpener opener)
{
    m_linkOpener = std::move(opener);
}

void ChatRoom::setColorChooser(ColorChooser chooser)
{
    m_colorChooser = std::move(chooser);
}

void ChatRoom::mainchatJump(const QString &linkText)
{
    qsizetype end = linkText.size();
    while (end > 0 && linkText.at(end - 1) == QLatin1Char(' '))
        --end;
    const QUrl url = QUrl::fromUserInput(linkText.left(end));
    // A link is text from another player: only web pages are opened, never
    // files or programs on this machine.
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1StringView("http") && scheme != QLatin1StringView("https"))) {
        ui::messageBoxes().inform(QStringLiteral("Cannot open Webpage"));
        return;
    }
    // The result is not examined: a refused request shows nothing.
    m_linkOpener(url);
}

void ChatRoom::clearMainChat()
{
    if (!m_view)
        return;
    m_view->clear();
    m_view->format();
    if (m_input)
        m_input->setFocus();
}

void ChatRoom::chooseTextColor()
{
    const std::optional<QColor> chosen = m_colorChooser(resolveColor(m_textColor));
    if (!chosen)
        return;
    setTextColor(colorValueOf(*chosen));
    Q_EMIT settingsChanged();
}

} // namespace vorlith::chat
