#include "app/preferencesstore.h"

#include "profile/profilefile.h"

namespace vorlith::app {

namespace {

const QString PlayerNameKey = QStringLiteral("Playername");
const QString LanAnswersKey = QStringLiteral("Lananswers");

/// A game option: decimal text only.
std::optional<int> decimal(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

QString trueOrFalse(bool on)
{
    return on ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

PreferencesStore::PreferencesStore(QString path) : m_path(std::move(path)) {}

Preferences PreferencesStore::load() const
{
    const profile::ProfileFile file(m_path);
    const QString &s = Section;
    const auto text = [&](const char *key, const QString &fallback = {}) {
        return file.readString(s, QString::fromLatin1(key), fallback);
    };
    Preferences p;
    p.textSize = file.readInt(s, QStringLiteral("Textsize"), 8);
    const int top = file.readInt(s, QStringLiteral("Top"), 3);
    const int left = file.readInt(s, QStringLiteral("Left"), 3);
    const int width = file.readInt(s, QStringLiteral("Width"), 772);
    const int height = file.readInt(s, QStringLiteral("Height"), 535);
    p.windowBounds = QRect(left, top, width, height);
    p.textColor = text("Textcolor", QStringLiteral("clblack"));
    p.rounds = decimal(text("Playtoscore", QStringLiteral("30")));
    p.creationTime = decimal(text("Timeperturn", QStringLiteral("1")));
    p.turnSound = text("Turnsound", QStringLiteral("0")) == QLatin1String("1") ? 1 : 0;
    for (int n = 1; n <= int(p.phrases.size()); ++n)
        p.phrases[size_t(n - 1)] = file.readString(s, QStringLiteral("Phrase%1").arg(n));
    // Only exactly "false" turns a switch off.
    p.playSounds = text("Playsounds", QStringLiteral("true")) != QLatin1String("false");
    p.playerPhraseSounds =
        text("Playerphrasesounds", QStringLiteral("true")) != QLatin1String("false");
    p.showQuickInstructions = text("Help", QStringLiteral("1")) == QLatin1String("1");
    p.playerName = file.readString(s, PlayerNameKey);
    p.lanAnswers = file.readString(s, LanAnswersKey) != QLatin1String("false");
    return p;
}

void PreferencesStore::save(const Preferences &p)
{
    profile::ProfileFile file(m_path);
    if (file.isTooLarge())
        return; // left alone, as at load; the log says why
    const auto write = [&](const char *key, const QString &value) {
        if (!file.writeString(Section, QString::fromLatin1(key), value))
            throw SettingsError(profile::ProfileFile::unableToWriteText(m_path));
    };
    const QRect &b = p.windowBounds;
    write("Textsize", QString::number(p.textSize));
    write("Top", QString::number(b.top()));
    write("Left", QString::number(b.left()));
    write("Width", QString::number(b.width()));
    write("Height", QString::number(b.height()));
    try {
        write("Textcolor", p.textColor);
    } catch (const SettingsError &) {
        // a failed colour alone does not stop the save
    }
    // The dialog always holds numbers; the defaults stand in otherwise.
    write("Playtoscore", QString::number(p.rounds.value_or(30)));
    write("Timeperturn", QString::number(p.creationTime.value_or(1)));
    write("Turnsound", QString::number(p.turnSound));
    write("Playerphrasesounds", trueOrFalse(p.playerPhraseSounds));
    write("Playsounds", trueOrFalse(p.playSounds));
}

void PreferencesStore::markQuickInstructionsShown()
{
    profile::ProfileFile file(m_path);
    // An oversized file was not read (the defaults apply) and is left alone.
    if (!file.writeString(Section, QStringLiteral("Help"), QStringLiteral("2")) &&
        !file.refusedTooLarge())
        throw SettingsError(profile::ProfileFile::unableToWriteText(m_path));
}

void PreferencesStore::savePhrases(const QStringList &phrases)
{
    profile::ProfileFile file(m_path);
    for (int n = 1; n <= int(Preferences().phrases.size()); ++n) {
        if (!file.writeString(Section, QStringLiteral("Phrase%1").arg(n), phrases.value(n - 1))) {
            if (file.refusedTooLarge())
                return; // an oversized file is left alone; the log says why
            throw SettingsError(profile::ProfileFile::unableToWriteText(m_path));
        }
    }
}

QString PreferencesStore::savePlayerName(const QString &name)
{
    profile::ProfileFile file(m_path);
    return file.writeString(Section, PlayerNameKey, name) ? QString() : file.errorString();
}

} // namespace vorlith::app
