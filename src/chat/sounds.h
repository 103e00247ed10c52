#pragma once

#include <QHash>
#include <QObject>
#include <QString>

class QAction;
class QActionGroup;
class QMenu;
class QSoundEffect;

namespace vorlith::chat {

/// Plays the program's sounds by name.
class SoundOutput
{
public:
    virtual ~SoundOutput() = default;
    /// Plays the sound called \a name (any case), replacing one still playing;
    /// a name without a sound gives the system's beep.
    virtual void play(const QString &name) = 0;
};

/// Sounds from the compiled-in WAVE files through Qt Multimedia. A machine
/// without an audio device simply stays silent.
class EffectSoundOutput final : public SoundOutput
{
public:
    EffectSoundOutput();
    ~EffectSoundOutput() override;
    void play(const QString &name) override;

private:
    QHash<QString, QSoundEffect *> m_effects;
    QSoundEffect *m_current{nullptr};
};

/// The game's sound cues and the three sound options of the Options menu.
class Sounds : public QObject
{
    Q_OBJECT
public:
    explicit Sounds(SoundOutput &output, QObject *parent = nullptr);

    /// Plays a game sound if Play Sounds is on.
    void playsounds(const QString &name);
    /// Plays a chatter sound (only Player Phrase Sounds governs these).
    void playChatter(const QString &name);

    bool playSounds() const;
    void setPlaySounds(bool on);
    bool playerPhraseSounds() const;
    void setPlayerPhraseSounds(bool on);
    /// 0 Classic, 1 New: the sound of a round's start.
    int turnSound() const { return m_turnSound; }
    void setTurnSound(int choice);
    /// "turn" or "turnnew", as the choice says.
    QString turnSoundName() const;

    QAction *playSoundsAction() const { return m_playSounds; }
    QAction *playerPhraseSoundsAction() const { return m_playerPhraseSounds; }
    /// Options > Turn Sound with Classic and New.
    QMenu *createTurnSoundMenu(QWidget *parent) const;

Q_SIGNALS:
    /// A sound option was changed from the menu: save the settings.
    void settingsChanged();

private:
    SoundOutput &m_output;
    QAction *m_playSounds{nullptr};
    QAction *m_playerPhraseSounds{nullptr};
    QAction *m_classic{nullptr};
    QAction *m_new{nullptr};
    int m_turnSound{0};
};

} // namespace vorlith::chat
