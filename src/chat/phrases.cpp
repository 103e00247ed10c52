#include "chat/phrases.h"

#include "ui/clicklabel.h"
#include "ui/plaintext.h"
#include "ui/resources.h"
#include "ui/theme.h"

#include <QAction>
#include <QMenu>

namespace vorlith::chat {

namespace {

const char *const chatterCaptions[] = {
    "Doh",      "Cough", "Hello",   "Thank You", "Where have you been?", "Snoring", "Sneezing",
    "Sorry",    "Welcome", "Yeehaa", "Yippee",   "Oh No",                "Applause", "Honk",
    "Oooh",     "Razzberry", "Cheer", "Woman Laughing", "Man Laughing",  "Crying",
};

ui::ImageButton *makeButton(QWidget *panel, const QString &picture, int x, int y, const QString &name,
                            const QString &tip)
{
    auto *b = new ui::ImageButton(name, picture, panel);
    b->setGeometry(x, y, 22, 21);
    b->setToolTip(tip);
    return b;
}

} // namespace

const QStringList &PhraseButtons::builtInPhrases()
{
    static const QStringList phrases = {
        QStringLiteral("Way To Go!"), QStringLiteral("Good One!"), QStringLiteral("Nice Try!"),
        QStringLiteral("Excellent!"), QStringLiteral("Brilliant!"), QStringLiteral("Wow, WTG!"),
        QStringLiteral("Thanks!"),    QStringLiteral("Way To Go Teamie!"), QStringLiteral("Good Game Everyone!"),
    };
    return phrases;
}

QString PhraseButtons::chatterCaption(int number)
{
    if (number < 1 || number > 20)
        return {};
    return QString::fromLatin1(chatterCaptions[number - 1]);
}

QString PhraseButtons::chatterCaptionOf(const QString &sound)
{
    if (!sound.startsWith(QLatin1String("wave")))
        return {};
    bool ok = false;
    const int n = sound.mid(4).toInt(&ok);
    if (!ok || QString::number(n) != sound.mid(4))
        return {};
    return chatterCaption(n);
}

PhraseButtons::PhraseButtons(QWidget *panel, int x, int y, QObject *parent) : QObject(parent)
{
    for (int n = 1; n <= Count; ++n) {
        auto *b = makeButton(panel, QStringLiteral("b_phrase%1.png").arg(n), x + (n - 1) * 24, y,
                             QStringLiteral("Phrase %1").arg(n), builtInPhrases().at(n - 1));
        b->setObjectName(QStringLiteral("b_phrase%1").arg(n));
        b->setAccessibleDescription(builtInPhrases().at(n - 1));
        connect(b, &ui::ImageButton::clicked, this, [this, n] { sayPhrase(n); });
        m_buttons[static_cast<size_t>(n - 1)] = b;
        setPhrase(n, builtInPhrases().at(n - 1));
    }

    m_chatter = makeButton(panel, QStringLiteral("b_phrase10.png"), x + Count * 24 + 4, y,
                           QStringLiteral("Chatter Sounds"), QStringLiteral("Chatter Sounds"));
    m_chatter->setObjectName(QStringLiteral("b_phrase10"));
    m_sounds = new QMenu(panel);
    m_sounds->setObjectName(QStringLiteral("popup_sounds"));
    m_sounds->setToolTipsVisible(true);
    m_sounds->addAction(QStringLiteral("<Cancel>"))->setData(0);
    for (int n = 1; n <= 20; ++n) {
        QAction *a = m_sounds->addAction(chatterCaption(n));
        a->setObjectName(QStringLiteral("wave%1").arg(n));
        a->setToolTip(chatterCaption(n));
        a->setData(n);
    }
    connect(m_sounds, &QMenu::triggered, this, [this](QAction *a) { chooseChatter(a->data().toInt()); });
    const auto popAtCorner = [](ui::ImageButton *button, QMenu *menu) {
        menu->popup(button->mapToGlobal(QPoint(button->width(), button->height())));
    };
    connect(m_chatter, &ui::ImageButton::clicked, this, [=, this] { popAtCorner(m_chatter, m_sounds); });
    connect(m_chatter, &ui::ImageButton::rightClicked, this, [=, this] { popAtCorner(m_chatter, m_sounds); });

    m_smiley = makeButton(panel, QStringLiteral("button_smilies.png"), x + Count * 24 + 28, y,
                          QStringLiteral("Smileys"), QStringLiteral("Chatter Sounds"));
    m_smiley->setObjectName(QStringLiteral("button_smilies"));
    m_smilies = new QMenu(panel);
    m_smilies->setObjectName(QStringLiteral("popup_smilies"));
    for (int k = 0; k < ui::SmileyCount; ++k) {
        QAction *a = m_smilies->addAction(QIcon(ui::picture(QStringLiteral("smileys/smiley%1.png").arg(k, 2, 10, QLatin1Char('0')))),
                                          QStringLiteral(":)#%1").arg(10 + k));
        a->setData(10 + k);
    }
    connect(m_smilies, &QMenu::triggered, this, [this](QAction *a) { Q_EMIT smileyChosen(a->data().toInt()); });
    connect(m_smiley, &ui::ImageButton::clicked, this, [=, this] { popAtCorner(m_smiley, m_smilies); });
}

ui::ImageButton *PhraseButtons::button(int number) const
{
    return number >= 1 && number <= Count ? m_buttons[static_cast<size_t>(number - 1)] : nullptr;
}

QString PhraseButtons::phrase(int number) const
{
    return button(number) ? m_phrases[static_cast<size_t>(number - 1)] : QString();
}

void PhraseButtons::setPhrase(int number, const QString &text)
{
    ui::ImageButton *b = button(number);
    if (!b)
        return;
    m_phrases[static_cast<size_t>(number - 1)] = text;
    b->setToolTip(ui::plainTextHint(text));
    b->setAccessibleDescription(text);
}

QStringList PhraseButtons::phrases() const
{
    QStringList all;
    for (int n = 1; n <= Count; ++n)
        all.append(phrase(n));
    return all;
}

QString PhraseButtons::actionText(const QString &phrase)
{
    if (phrase.startsWith(QLatin1String("/me ")))
        return phrase.mid(4);
    return QStringLiteral("says: ") + phrase;
}

void PhraseButtons::sayPhrase(int number)
{
    if (!button(number) || !m_lock.isReady())
        return;
    Q_EMIT actionRequested(actionText(phrase(number)));
    m_lock.take();
}

void PhraseButtons::chooseChatter(int number)
{
    if (number >= 1 && number <= 20)
        Q_EMIT chatterRequested(number);
}

} // namespace vorlith::chat
