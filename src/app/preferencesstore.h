#pragma once

#include "ui/paths.h"

#include <QRect>
#include <QString>
#include <QStringList>

#include <array>
#include <exception>
#include <optional>

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

/// Every preference the settings file holds, as read from it: a key that is
/// missing or unreadable gives the default here.
struct Preferences
{
    int textSize{8};
    QRect windowBounds{3, 3, 772, 535};
    /// The chat text colour as colour text.
    QString textColor{QStringLiteral("clblack")};
    /// The game options; none when the file holds no decimal number, and the
    /// dialog keeps its own.
    std::optional<int> rounds{30};
    std::optional<int> creationTime{1};
    int turnSound{0}; ///< 0 Classic, 1 New
    /// Phrase buttons 1 to 9; an empty one keeps the button's own phrase.
    std::array<QString, 9> phrases;
    bool playSounds{true};
    bool playerPhraseSounds{true};
    /// The quick instructions show at the first connection, and once more
    /// whenever the file asks for it again.
    bool showQuickInstructions{true};
    /// The name last chosen in the Host and Join dialogs.
    QString playerName;
    /// False keeps a hosted game from answering local-network queries.
    bool lanAnswers{true};
};

/// The one way to the preferences in the settings file (the section
/// "Vorlith" of a profile file shared with the lobby program). Every other
/// section and line of the file is left as it is, and a file too large to be
/// a settings file is neither read (the defaults apply) nor written; the
/// writes that fail throw SettingsError ("Unable to write to <path>").
class PreferencesStore
{
public:
    static inline const QString FileName = QLatin1String(ui::SettingsFileName);
    static inline const QString Section = QStringLiteral("Vorlith");

    /// \a path is the full path of the settings file.
    explicit PreferencesStore(QString path);

    QString path() const { return m_path; }

    Preferences load() const;
    /// Writes the window's, the chat's, the game options' and the sound
    /// preferences of \a preferences (not the phrases, the name or the
    /// local-network answers, which have writes of their own).
    void save(const Preferences &preferences);
    /// Remembers that the quick instructions were shown.
    void markQuickInstructionsShown();
    /// Writes phrases 1 to 9 (missing ones empty), stopping at the first
    /// that fails.
    void savePhrases(const QStringList &phrases);
    /// Remembers the player's name. Returns why it could not, empty when it
    /// could.
    QString savePlayerName(const QString &name);

private:
    QString m_path;
};

} // namespace vorlith::app
