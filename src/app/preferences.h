#pragma once

#include "app/settings.h"

#include <functional>

namespace vorlith::client {
class MainWindow;
class GameOptionsDialog;
} // namespace vorlith::client

namespace vorlith::app {

/// The preferences as the windows hold them: what the settings file reads
/// from and writes to in the running program.
class WindowPreferences final : public SettingsTarget
{
public:
    /// \a gameStart gives the game options dialog, made when first needed.
    WindowPreferences(client::MainWindow &chat, std::function<client::GameOptionsDialog &()> gameStart);

    int textSize() const override;
    void setTextSize(int points) override;
    QRect windowBounds() const override;
    void setWindowBounds(const QRect &bounds) override;
    QString textColorText() const override;
    void setTextColorText(const QString &text) override;
    int rounds() const override;
    void setRounds(int rounds) override;
    int creationTime() const override;
    void setCreationTime(int seconds) override;
    int turnSound() const override;
    void setTurnSound(int choice) override;
    void setPhrase(int number, const QString &text) override;
    bool playSounds() const override;
    void setPlaySounds(bool on) override;
    bool playerPhraseSounds() const override;
    void setPlayerPhraseSounds(bool on) override;
    void showQuickInstructions() override;

private:
    client::MainWindow &m_chat;
    std::function<client::GameOptionsDialog &()> m_gameStart;
};

} // namespace vorlith::app
