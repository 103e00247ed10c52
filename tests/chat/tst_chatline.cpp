#include "chat/chatline.h"

#include <QTest>

using namespace vorlith::chat;

namespace {

ChatPiece text(const char *t)
{
    return ChatPiece{ChatPiece::Kind::Text, QString::fromLatin1(t), -1};
}
ChatPiece link(const char *t)
{
    return ChatPiece{ChatPiece::Kind::Link, QString::fromLatin1(t), -1};
}
ChatPiece image(int index)
{
    return ChatPiece{ChatPiece::Kind::Image, QString(), index};
}

} // namespace

Q_DECLARE_METATYPE(vorlith::chat::ChatPiece)

namespace QTest {
template <> char *toString(const ChatPiece &piece)
{
    const char *kind = piece.kind == ChatPiece::Kind::Text   ? "text"
                       : piece.kind == ChatPiece::Kind::Link ? "link"
                                                             : "image";
    return qstrdup(QStringLiteral("%1 '%2' %3")
                       .arg(QLatin1StringView(kind), piece.text, QString::number(piece.image))
                       .toLatin1()
                       .constData());
}
} // namespace QTest

class TestChatLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cutsLinesIntoItems_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("leadIn");
        QTest::addColumn<QList<ChatPiece>>("body");

        QTest::newRow("chat") << "3+Bob chats: hello" << 8
                              << "Bob chats: " << QList{text(" "), text("hello ")};
        QTest::newRow("action without colon")
            << "2+Ann waves" << 7 << " " << QList{text("Ann "), text("waves ")};
        QTest::newRow("own line") << "0+You are Connected." << 0 << " "
                                  << QList{text("You "), text("are "), text("Connected. ")};
        QTest::newRow("spy") << "9+Zed chats: x" << 14
                             << "Zed chats: " << QList{text(" "), text("x ")};
        QTest::newRow("double spaces")
            << "1+a:  b" << 6 << "a: " << QList{text(" "), text(" "), text("b ")};
        QTest::newRow("empty body") << "1+a:" << 6 << "a: " << QList<ChatPiece>{};
        QTest::newRow("smiley") << "3+Bob chats: hi :)#12 there" << 8
                                << "Bob chats: " << QList{text(" "), text("hi "), text(" "),
                                                          image(2),  text(" "),   text("there ")};
        QTest::newRow("smiley out of range")
            << "3+B: :)#99" << 8 << "B: " << QList{text(" "), text(" "), image(0)};
        QTest::newRow("smiley not a number")
            << "3+B: :)#ab" << 8 << "B: " << QList{text(" "), text(" "), image(0)};
        QTest::newRow("smiley lowest and highest")
            << "3+B::)#10:)#27" << 8 << "B: " << QList{text(" "), image(0), text(" "), image(17)};
        QTest::newRow("smiley code cut short")
            << "3+B: x:)#1" << 8 << "B: " << QList{text(" "), text("x "), image(0)};
        QTest::newRow("smiley code missing")
            << "3+B: x:)#" << 8 << "B: " << QList{text(" "), text("x "), image(0)};
        QTest::newRow("smiley code runs on")
            << "3+B: :)#123" << 8 << "B: " << QList{text(" "), text(" "), image(2), text("3 ")};
        QTest::newRow("www link") << "3+Bob chats: see www.example.com now" << 8 << "Bob chats: "
                                  << QList{text(" "), text("see "), link("www.example.com "),
                                           text("now ")};
        QTest::newRow("http link any case")
            << "3+B: (HTTP://X.ORG)" << 8 << "B: " << QList{text(" "), link("(HTTP://X.ORG) ")};
        QTest::newRow("no link") << "3+B: http:/x www" << 8
                                 << "B: " << QList{text(" "), text("http:/x "), text("www ")};
        // The first colon ends the lead-in, even inside an address.
        QTest::newRow("address in lead-in")
            << "4+Kim likes http://x.org" << 9 << "Kim likes http: " << QList{text("//x.org ")};
        QTest::newRow("smiley colon makes the lead-in")
            << "0+Hi :)#15 all" << 0 << "Hi : " << QList{text(")#15 "), text("all ")};
    }
    void cutsLinesIntoItems()
    {
        QFETCH(QString, line);
        QFETCH(int, style);
        QFETCH(QString, leadIn);
        QFETCH(QList<ChatPiece>, body);
        const std::optional<ChatLine> parsed = parseChatLine(line);
        QVERIFY(parsed);
        QCOMPARE(parsed->style, style);
        QCOMPARE(parsed->leadIn, leadIn);
        QCOMPARE(parsed->body, body);
    }

    void refusesLinesWithoutASender_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("no plus") << "hello";
        QTest::newRow("empty prefix") << "+hello";
        QTest::newRow("word prefix") << "x+hello";
        QTest::newRow("negative") << "-1+hello";
        QTest::newRow("too high") << "10+hello";
        QTest::newRow("huge") << "99999999999999999999+hello";
    }
    void refusesLinesWithoutASender()
    {
        QFETCH(QString, line);
        QVERIFY(!parseChatLine(line));
    }

    void splitsReceivedFields_data()
    {
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QString>("line");
        QTest::addColumn<quint32>("color");
        QTest::newRow("named colour") << "3+Bob chats: hello|clBlack"
                                      << "3+Bob chats: hello" << kColorBlack;
        QTest::newRow("hex colour") << "3+Bob chats: hi|$00FF0000"
                                    << "3+Bob chats: hi" << kColorBlue;
        QTest::newRow("no bar") << "3+Bob chats: hi"
                                << "3+Bob chats: hi" << kColorRed;
        QTest::newRow("unreadable colour") << "3+Bob chats: hi|purplish"
                                           << "3+Bob chats: hi" << kColorRed;
        QTest::newRow("bar typed in the text") << "3+Bob chats: a|b|clBlue"
                                               << "3+Bob chats: a" << kColorRed;
        QTest::newRow("empty colour") << "2+Ann waves|"
                                      << "2+Ann waves" << kColorRed;
    }
    void splitsReceivedFields()
    {
        QFETCH(QString, fields);
        QFETCH(QString, line);
        QFETCH(quint32, color);
        const ReceivedChat received = splitReceivedChat(fields);
        QCOMPARE(received.line, line);
        QCOMPARE(received.color, color);
    }

    void decidesWhatEnterSends_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<quint32>("colour");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("colourText");
        QTest::addColumn<bool>("clears");
        const int none = int(OutgoingChat::Kind::None);
        const int chat = int(OutgoingChat::Kind::Chat);
        const int action = int(OutgoingChat::Kind::Action);
        const quint32 black = kColorBlack;
        const QString clBlack = QStringLiteral("clBlack");
        QTest::newRow("chat") << "hello" << true << black << chat << "hello" << clBlack << true;
        QTest::newRow("action") << "/me waves" << true << black << action << "waves" << clBlack
                                << true;
        QTest::newRow("action without space")
            << "/meow" << true << black << action << "w" << clBlack << true;
        QTest::newRow("bare action") << "/me" << true << black << action << "" << clBlack << true;
        QTest::newRow("other command") << "/help" << true << black << none << ""
                                       << "" << true;
        QTest::newRow("action is case-sensitive") << "/ME waves" << true << black << none << ""
                                                  << "" << true;
        QTest::newRow("leading space is a chat")
            << " /me x" << true << black << chat << " /me x" << clBlack << true;
        QTest::newRow("empty") << "" << true << black << none << ""
                               << "" << true;
        QTest::newRow("not connected keeps the text") << "hello" << false << black << none << ""
                                                      << "" << false;
        QTest::newRow("unnamed colour as hex")
            << "hi" << true << quint32(0x00123456) << chat << "hi"
            << "$00123456" << true;
        QTest::newRow("action in a named colour")
            << "/me hi" << true << quint32(kColorRed) << action << "hi"
            << "clRed" << true;
    }
    void decidesWhatEnterSends()
    {
        QFETCH(QString, input);
        QFETCH(bool, connected);
        QFETCH(quint32, colour);
        QFETCH(int, kind);
        QFETCH(QString, text);
        QFETCH(QString, colourText);
        QFETCH(bool, clears);
        const SendDecision decision = decideSend(input, connected, colour);
        QCOMPARE(int(decision.message.kind), kind);
        QCOMPARE(decision.message.text, text);
        QCOMPARE(decision.clearInput, clears);
        QCOMPARE(decision.message.colorText, colourText);
    }
};

QTEST_GUILESS_MAIN(TestChatLine)
#include "tst_chatline.moc"
