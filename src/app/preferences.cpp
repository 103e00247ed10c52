#include "app/preferences.h"

#include "chat/chatinput.h"
#include "chat/chatroom.h"
#include "chat/chatview.h"
#include "chat/colortext.h"
#include "chat/phrases.h"
#include "chat/sounds.h"
#include "client/boardpanel.h"
#include "client/gameoptionsdialog.h"
#include "client/mainwindow.h"
#include "client/quickhelp.h"
#include "client/windowbounds.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace vorlith::app {

WindowPreferences::WindowPreferences(client::MainWindow &chat,
                                     std::function<client::GameOptionsDialog &()> gameStart)
    : m_chat(chat), m_gameStart(std::move(gameStart))
{
}

int WindowPreferences::textSize() const
{
    return m_chat.panel().chatRoom().textSize();
}

void WindowPreferences::setTextSize(int points)
{
    // The file is edited by hand and by another program: a size no font can
    // have (0, negative, thousands of points) would only break the chat.
    points = std::clamp(points, 1, 96);
    m_chat.panel().chatRoom().setTextSize(points);
    m_chat.panel().chatRoom().mainchat()->format();
}

QRect WindowPreferences::windowBounds() const
{
    return m_chat.bounds().bounds();
}

void WindowPreferences::setWindowBounds(const QRect &bounds)
{
    // A window many times larger than the desktop would need a backing store
    // of gigabytes; it is held to twice the desktop's size.
    QRect held = bounds;
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QSize desktop = screen->virtualGeometry().size();
        held.setWidth(std::min(bounds.width(), 2 * desktop.width()));
        held.setHeight(std::min(bounds.height(), 2 * desktop.height()));
    }
    m_chat.bounds().setBounds(held);
}

QString WindowPreferences::textColorText() const
{
    return chat::colorToText(m_chat.panel().chatRoom().textColor());
}

void WindowPreferences::setTextColorText(const QString &text)
{
    m_chat.panel().chatRoom().setTextColor(chat::colorFromText(text).value_or(chat::kColorBlack));
}

int WindowPreferences::rounds() const
{
    return m_gameStart().rounds();
}

void WindowPreferences::setRounds(int rounds)
{
    m_gameStart().setRounds(rounds);
}

int WindowPreferences::creationTime() const
{
    return m_gameStart().creationTime();
}

void WindowPreferences::setCreationTime(int seconds)
{
    m_gameStart().setCreationTime(seconds);
}

int WindowPreferences::turnSound() const
{
    return m_chat.sounds().turnSound();
}

void WindowPreferences::setTurnSound(int choice)
{
    m_chat.sounds().setTurnSound(choice);
}

void WindowPreferences::setPhrase(int number, const QString &text)
{
    m_chat.panel().phraseButtons().setPhrase(number, text);
}

bool WindowPreferences::playSounds() const
{
    return m_chat.sounds().playSounds();
}

void WindowPreferences::setPlaySounds(bool on)
{
    m_chat.sounds().setPlaySounds(on);
}

bool WindowPreferences::playerPhraseSounds() const
{
    return m_chat.sounds().playerPhraseSounds();
}

void WindowPreferences::setPlayerPhraseSounds(bool on)
{
    m_chat.sounds().setPlayerPhraseSounds(on);
}

void WindowPreferences::showQuickInstructions()
{
    m_chat.panel().quickHelp().showInFront();
}

} // namespace vorlith::app
