#pragma once

#include "app/preferencesstore.h"

#include <QRect>
#include <QString>

namespace vorlith::app {

/// What the settings file reads from and writes to: the window, the chat,
/// the game options, the sound options and the phrases.
class SettingsTarget
{
public:
    virtual ~SettingsTarget() = default;

    virtual int textSize() const = 0;
    /// Sets all chat styles to \a points, re-lays out the chat and checks the
    /// matching Text Size item (none for other sizes).
    virtual void setTextSize(int points) = 0;
    virtual QRect windowBounds() const = 0;
    virtual void setWindowBounds(const QRect &bounds) = 0;
    /// The chat text colour as colour text.
    virtual QString textColorText() const = 0;
    /// Black when \a text is no readable colour.
    virtual void setTextColorText(const QString &text) = 0;
    virtual int rounds() const = 0;
    virtual void setRounds(int rounds) = 0;
    virtual int creationTime() const = 0;
    virtual void setCreationTime(int seconds) = 0;
    virtual int turnSound() const = 0; ///< 0 Classic, 1 New
    virtual void setTurnSound(int choice) = 0;
    virtual void setPhrase(int number, const QString &text) = 0;
    virtual bool playSounds() const = 0;
    virtual void setPlaySounds(bool on) = 0;
    virtual bool playerPhraseSounds() const = 0;
    virtual void setPlayerPhraseSounds(bool on) = 0;
    virtual void showQuickInstructions() = 0;
};

/// The preferences of the settings file applied to the windows at the
/// first connection, and written back from them when one changes.
class Settings
{
public:
    static inline const QString FileName = PreferencesStore::FileName;
    static inline const QString Section = PreferencesStore::Section;

    /// \a path is the full path of the settings file.
    Settings(QString path, SettingsTarget &target);

    QString path() const { return m_store.path(); }
    /// The store the rest of the program reads and writes its preferences
    /// through.
    PreferencesStore &store() { return m_store; }

    /// Reads the preferences and applies them; remembers that the quick
    /// instructions were shown. Returns the bounds read (the remembered
    /// bounds). Throws SettingsError when the file cannot be written.
    QRect load();
    /// Writes the preferences the windows hold. Throws like load.
    void save();

private:
    PreferencesStore m_store;
    SettingsTarget &m_target;
};

} // namespace vorlith::app
