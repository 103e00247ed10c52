#pragma once

#include "chat/phraselock.h"

#include <QObject>
#include <QStringList>

#include <array>

class QMenu;
class QWidget;

namespace vorlith::ui {
class ImageButton;
}

namespace vorlith::chat {

/// The nine phrase buttons above the chat, the chatter sounds button with its
/// menu and the smiley button with its menu.
class PhraseButtons : public QObject
{
    Q_OBJECT
public:
    static constexpr int Count = 9;
    static const QStringList &builtInPhrases();
    /// Caption (and tooltip) of chatter sound \a number (1..20); empty otherwise.
    static QString chatterCaption(int number);
    /// Caption of the chatter sound called \a sound ("wave1".."wave20"), or empty.
    static QString chatterCaptionOf(const QString &sound);

    /// Creates the buttons on \a panel: phrase buttons from (\a x, \a y) rightwards.
    PhraseButtons(QWidget *panel, int x, int y, QObject *parent = nullptr);

    QString phrase(int number) const;
    void setPhrase(int number, const QString &text);
    QStringList phrases() const;

    /// Clicks phrase button \a number (1..9): sends its phrase unless the
    /// pause after the last phrase still runs.
    void sayPhrase(int number);
    /// Chooses item \a number of the chatter sounds menu (0 is "<Cancel>").
    void chooseChatter(int number);

    PhraseLock &lock() { return m_lock; }
    QMenu *popupSounds() const { return m_sounds; }
    QMenu *popupSmilies() const { return m_smilies; }
    ui::ImageButton *button(int number) const;

    /// The text of the action a phrase sends: "says: " and the phrase, or the
    /// phrase without its leading "/me ".
    static QString actionText(const QString &phrase);

Q_SIGNALS:
    /// A phrase asks for an action line with this text.
    void actionRequested(const QString &text);
    /// A chatter sound (1..20) was chosen.
    void chatterRequested(int number);
    /// A smiley (10..27) was chosen.
    void smileyChosen(int number);

private:
    std::array<ui::ImageButton *, Count> m_buttons{};
    /// The phrases; a button's hint shows its phrase as text.
    std::array<QString, Count> m_phrases{};
    ui::ImageButton *m_chatter{nullptr};
    ui::ImageButton *m_smiley{nullptr};
    QMenu *m_sounds{nullptr};
    QMenu *m_smilies{nullptr};
    PhraseLock m_lock;
};

} // namespace vorlith::chat
