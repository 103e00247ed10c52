#pragma once

#include "chat/colortext.h"

#include <QList>
#include <QString>

#include <optional>

namespace vorlith::chat {

/// Number of smiley images; codes 10..27 select images 0..17.
inline constexpr int kSmileyCount = 18;
/// What the chat input box holds until the player types.
inline constexpr QLatin1StringView kInputPlaceholder{"<Enter Chat Here>"};
/// The text style of the program's own lines; a player's style is his
/// number plus kPlayerStyleOffset.
inline constexpr int kSystemStyle = 0;
inline constexpr int kPlayerStyleOffset = 5;
inline constexpr int kHighestSender = 9;

/// One item of a chat line's body, in drawing order.
struct ChatPiece
{
    enum class Kind
    {
        Text,
        Link,
        Image
    };
    Kind kind{Kind::Text};
    QString text;
    int image{-1};

    friend bool operator==(const ChatPiece &, const ChatPiece &) = default;
};

/// A chat line cut into what the view draws.
struct ChatLine
{
    /// 0 for the program's own lines, 1..9 for a player.
    int sender{0};
    /// The text style of the line (0, or sender + 5).
    int style{0};
    /// The first item: the lead-in up to and including the first colon,
    /// followed by one space.
    QString leadIn;
    QList<ChatPiece> body;
};

/// Cuts a chat line "N+text" into its items. A line whose sender is not a
/// decimal number from 0 to 9 gives nothing.
std::optional<ChatLine> parseChatLine(QStringView line);
/// The items of \a text said by \a sender (0: the program itself).
ChatLine chatLineOf(int sender, QStringView text);

/// True when \a word is drawn as a link: its lower-case form contains
/// "http://" or "www.".
bool isLinkWord(QStringView word);

/// The smiley image for a two-character code: code - 10 for 10..27, else 0.
int smileyImage(QStringView code);

/// Appends \a text word by word: one space is appended, then every piece up
/// to and including a space is a word (a lone space is a word too).
void appendWords(QList<ChatPiece> &pieces, QStringView text);

/// A received chat or action message split into its line and colour.
struct ReceivedChat
{
    QString line;
    ColorValue color{kColorRed};
};

/// Splits the fields of a received chat or action message at the first "|":
/// the line before it, the colour text after it. Without "|", or with a
/// colour text that cannot be read, the colour is red.
ReceivedChat splitReceivedChat(QStringView fields);

/// What the input box asks to send.
struct OutgoingChat
{
    enum class Kind
    {
        None,
        Chat,
        Action
    };
    Kind kind{Kind::None};
    /// The chat text, or an action's text without its "/me ".
    QString text;
    /// The sender's text colour as colour text.
    QString colorText;

    friend bool operator==(const OutgoingChat &, const OutgoingChat &) = default;
};

struct SendDecision
{
    OutgoingChat message;
    /// Whether the box is cleared afterwards.
    bool clearInput{false};
};

/// The rules of Enter in the input box: nothing while not connected (the text
/// stays); an empty box is just cleared; text not starting with "/" is a chat;
/// "/me" starts an action with the text from the fifth character on; any
/// other "/" text sends nothing and is cleared.
SendDecision decideSend(const QString &input, bool connected, ColorValue textColor);

} // namespace vorlith::chat
