#include "chat/chatline.h"

namespace vorlith::chat {

namespace {

constexpr QLatin1StringView kSmileyMark{":)#"};

bool allDigits(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

} // namespace

bool isLinkWord(QStringView word)
{
    return word.contains(QLatin1StringView("http://"), Qt::CaseInsensitive) ||
           word.contains(QLatin1StringView("www."), Qt::CaseInsensitive);
}

int smileyImage(QStringView code)
{
    if (!allDigits(code))
        return 0;
    const int number = code.toInt();
    if (number < 10 || number > 10 + kSmileyCount - 1)
        return 0;
    return number - 10;
}

void appendWords(QList<ChatPiece> &pieces, QStringView text)
{
    const QString padded = text.toString() + QLatin1Char(' ');
    qsizetype start = 0;
    while (start < padded.size()) {
        const qsizetype space = padded.indexOf(QLatin1Char(' '), start);
        const QString word = padded.mid(start, space - start + 1);
        start = space + 1;
        pieces.append(
            ChatPiece{isLinkWord(word) ? ChatPiece::Kind::Link : ChatPiece::Kind::Text, word, -1});
    }
}

std::optional<ChatLine> parseChatLine(QStringView line)
{
    const qsizetype plus = line.indexOf(QLatin1Char('+'));
    if (plus < 0)
        return std::nullopt;
    const QStringView prefix = line.left(plus);
    // More than a few digits cannot be a sender, whatever their value.
    if (!allDigits(prefix) || prefix.size() > 4)
        return std::nullopt;
    const int sender = prefix.toInt();
    if (sender > kHighestSender)
        return std::nullopt;
    return chatLineOf(sender, line.mid(plus + 1));
}

ChatLine chatLineOf(int sender, QStringView text)
{
    ChatLine result;
    result.sender = sender;
    result.style = sender == 0 ? kSystemStyle : sender + kPlayerStyleOffset;

    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon >= 0) {
        result.leadIn = text.left(colon + 1).toString();
        text = text.mid(colon + 1);
    }
    result.leadIn += QLatin1Char(' ');

    for (qsizetype mark = text.indexOf(kSmileyMark); mark >= 0; mark = text.indexOf(kSmileyMark)) {
        appendWords(result.body, text.left(mark));
        text = text.mid(mark + kSmileyMark.size());
        const QStringView code = text.left(2);
        text = text.mid(code.size());
        result.body.append(ChatPiece{ChatPiece::Kind::Image, QString(), smileyImage(code)});
    }
    if (!text.isEmpty())
        appendWords(result.body, text);
    return result;
}

ReceivedChat splitReceivedChat(QStringView fields)
{
    const qsizetype bar = fields.indexOf(QLatin1Char('|'));
    if (bar < 0)
        return ReceivedChat{fields.toString(), kColorRed};
    return ReceivedChat{fields.left(bar).toString(),
                        colorFromText(fields.mid(bar + 1)).value_or(kColorRed)};
}

SendDecision decideSend(const QString &input, bool connected, ColorValue textColor)
{
    SendDecision decision;
    if (!connected)
        return decision;
    decision.clearInput = true;
    if (input.isEmpty())
        return decision;
    OutgoingChat &message = decision.message;
    if (!input.startsWith(QLatin1Char('/'))) {
        message.kind = OutgoingChat::Kind::Chat;
        message.text = input;
    } else if (input.startsWith(QLatin1StringView("/me"))) {
        message.kind = OutgoingChat::Kind::Action;
        message.text = input.mid(4);
    } else {
        return decision;
    }
    message.colorText = colorToText(textColor);
    return decision;
}

} // namespace vorlith::chat
