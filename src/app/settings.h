#pragma once

#include "ui/paths.h"

#include <QRect>
#include <QString>

#include <exception>

namespace vorlith::app {

/// The settings file could not be written; text() is "Unable to write to
/// <path>", for the general error display.
class SettingsError : public std::exception
{
public:
    explicit SettingsError(QString text) : m_text(std::move(text)), m_utf8(m_text.toUtf8()) {}
    const QString &text() const { return m_text; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    QByteArray m_utf8;
};

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

/// The player's preferences in the section "Vorlith" of the settings file
/// shared with the lobby program. Every other section and line of the file
/// is left as it is.
class Settings
{
public:
    static inline const QString FileName = QLatin1String(ui::SettingsFileName);
    static inline const QString Section = QStringLiteral("Vorlith");
    /// The name last chosen in the Host and Join dialogs.
    static inline const QString PlayerNameKey = QStringLiteral("Playername");
    /// "false" keeps a hosted game from answering local-network queries.
    static inline const QString LanAnswersKey = QStringLiteral("Lananswers");

    /// \a path is the full path of the settings file.
    Settings(QString path, SettingsTarget &target);

    QString path() const { return m_path; }

    /// Reads the section and applies it; writes Help=2. Returns the bounds
    /// read (the remembered bounds). Throws SettingsError with
    /// "Unable to write to <path>" when the file cannot be written. A file
    /// too large to be a settings file is neither read (the defaults apply)
    /// nor written.
    QRect loadinifile();
    /// Writes the preferences. Throws like loadinifile; leaves a file too
    /// large to be a settings file alone.
    void saveinifile();

private:
    QString m_path;
    SettingsTarget &m_target;
};

} // namespace vorlith::app
