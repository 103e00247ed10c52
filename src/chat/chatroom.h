#pragma once

#include "chat/chatinput.h"
#include "chat/chatline.h"
#include "chat/chatview.h"
#include "chat/colortext.h"

#include <QColor>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <array>
#include <functional>
#include <optional>

class QAction;
class QMenu;
class QWidget;

namespace vorlith::chat {


/// The chat of the main window: the view `mainchat`, the input box `mychat`,
/// their context menus and the Options actions that act on the chat.
///
/// The main window places the two widgets, puts the actions into its Options
/// menu, turns the messages asked for by sendRequested() into wire lines and
/// saves the settings on settingsChanged().
class ChatRoom : public QObject
{
    Q_OBJECT

public:
    /// Sizes offered by Options > Text Size.
    static constexpr std::array<int, 4> kTextSizes{8, 10, 12, 14};

    using LinkOpener = std::function<bool(const QUrl &)>;
    using ColorChooser = std::function<std::optional<QColor>(const QColor &current)>;

    /// Creates the view and the input box as children of \a host.
    explicit ChatRoom(QWidget *host, QObject *parent = nullptr);
    ~ChatRoom() override;

    ChatView *mainchat() const { return m_view; }
    ChatInput *mychat() const { return m_input; }

    /// Draws \a line ("N+text") in \a color; the only way into the chat.
    void addlinetochat(const QString &line, ColorValue color);
    /// Draws the program's own line \a text in the system message colour,
    /// or in \a color.
    void addSystemLine(const QString &text);
    void addSystemLine(const QString &text, ColorValue color);
    ColorValue systemColor() const { return m_systemColor; }
    void setSystemColor(ColorValue color) { m_systemColor = color; }
    /// Handler of received chat and action messages: \a fields is the
    /// message line without its command word.
    void onChatReceived(const QString &fields);
    /// Sends the content of the input box (Enter in the box).
    void sendit();

    void setConnected(bool connected) { m_connected = connected; }
    bool isConnected() const { return m_connected; }

    /// The player's chat colour, sent with every chat and action.
    ColorValue textColor() const { return m_textColor; }
    /// Sets the chat colour and colours the input box's text with it.
    void setTextColor(ColorValue color);

    /// Size in points of style 0, which the settings file stores.
    int textSize() const;
    /// Sets all 15 styles to \a points and checks the Text Size item of that
    /// number (none for other sizes). The view takes the size at its next
    /// layout.
    void setTextSize(int points);

    bool scrollChatOff() const;

    /// Options > Text Color.
    QAction *textColorAction() const { return m_textColorAction; }
    /// Options > Text Size > 8, 10, 12, 14.
    QList<QAction *> textSizeActions() const;
    /// Options > Scroll Chat Off (Ctrl+S); the same action sits in the chat's
    /// context menu, so both show one check mark.
    QAction *scrollChatOffAction() const { return m_scrollOffAction; }
    /// Options > Clear Main Chat (also in the chat's context menu).
    QAction *clearMainChatAction() const { return m_clearAction; }
    /// Makes a "Text Size" sub-menu holding the four size actions.
    QMenu *createTextSizeMenu(QWidget *parent) const;

    QMenu *popupMainchat() const { return m_popupMainchat; }
    QMenu *popupMychat() const { return m_popupMychat; }

    /// How links are opened (the desktop's web browser unless replaced).
    void setLinkOpener(LinkOpener opener);
    /// How Text Color asks for a colour (the colour dialog unless replaced).
    void setColorChooser(ColorChooser chooser);

    /// Link click on the view: opens the link's text without its trailing
    /// spaces; shows "Cannot open Webpage" when it is no web address.
    void mainchatJump(const QString &linkText);

    void clearMainChat();
    void chooseTextColor();

Q_SIGNALS:
    /// Enter in the input box asks for a chat or action message to be sent.
    void sendRequested(const vorlith::chat::OutgoingChat &message);
    /// Text Color or Text Size changed a preference: save the settings file.
    void settingsChanged();

private:
    void draw(const ChatLine &line, ColorValue color);

    QPointer<ChatView> m_view;
    QPointer<ChatInput> m_input;
    QAction *m_textColorAction{nullptr};
    std::array<QAction *, kTextSizes.size()> m_textSizeActions{};
    QAction *m_scrollOffAction{nullptr};
    QAction *m_clearAction{nullptr};
    QAction *m_selectAllAction{nullptr};
    QAction *m_copyAction{nullptr};
    QAction *m_pasteAction{nullptr};
    QMenu *m_popupMainchat{nullptr};
    QMenu *m_popupMychat{nullptr};

    bool m_connected{false};
    ColorValue m_textColor{kColorBlack};
    ColorValue m_systemColor{kColorBlue};
    LinkOpener m_linkOpener;
    ColorChooser m_colorChooser;
};

} // namespace vorlith::chat
