#include "app/settings.h"

#include "profile/profilefile.h"

namespace vorlith::app {

namespace {

/// A value handed to a game option: decimal text only.
std::optional<int> decimal(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace

Settings::Settings(QString path, SettingsTarget &target) : m_path(std::move(path)), m_target(target) {}

QRect Settings::loadinifile()
{
    profile::ProfileFile file(m_path);
    const QString &s = Section;

    m_target.setTextSize(file.readInt(s, QStringLiteral("Textsize"), 8));

    const int top = file.readInt(s, QStringLiteral("Top"), 3);
    const int left = file.readInt(s, QStringLiteral("Left"), 3);
    const int width = file.readInt(s, QStringLiteral("Width"), 772);
    const int height = file.readInt(s, QStringLiteral("Height"), 535);
    const QRect bounds(left, top, width, height);
    m_target.setWindowBounds(bounds);

    m_target.setTextColorText(file.readString(s, QStringLiteral("Textcolor"), QStringLiteral("clblack")));

    if (const auto rounds = decimal(file.readString(s, QStringLiteral("Playtoscore"), QStringLiteral("30"))))
        m_target.setRounds(*rounds);
    if (const auto time = decimal(file.readString(s, QStringLiteral("Timeperturn"), QStringLiteral("1"))))
        m_target.setCreationTime(*time);

    m_target.setTurnSound(file.readString(s, QStringLiteral("Turnsound"), QStringLiteral("0")) == QLatin1String("1") ? 1 : 0);

    for (int n = 1; n <= 9; ++n) {
        const QString phrase = file.readString(s, QStringLiteral("Phrase%1").arg(n));
        if (!phrase.isEmpty())
            m_target.setPhrase(n, phrase);
    }

    m_target.setPlaySounds(file.readString(s, QStringLiteral("Playsounds"), QStringLiteral("true")) != QLatin1String("false"));
    m_target.setPlayerPhraseSounds(file.readString(s, QStringLiteral("Playerphrasesounds"), QStringLiteral("true"))
                                   != QLatin1String("false"));

    if (file.readString(s, QStringLiteral("Help"), QStringLiteral("1")) == QLatin1String("1"))
        m_target.showQuickInstructions();

    // An oversized file was not read (the defaults apply) and is left alone.
    if (!file.writeString(s, QStringLiteral("Help"), QStringLiteral("2")) && !file.refusedTooLarge())
        throw SettingsError(profile::ProfileFile::unableToWriteText(m_path));
    return bounds;
}

void Settings::saveinifile()
{
    profile::ProfileFile file(m_path);
    if (file.isTooLarge())
        return; // left alone, as at load; the log says why
    const QString &s = Section;
    const auto write = [&](const char *key, const QString &value) {
        if (!file.writeString(s, QString::fromLatin1(key), value))
            throw SettingsError(profile::ProfileFile::unableToWriteText(m_path));
    };
    const QRect b = m_target.windowBounds();
    write("Textsize", QString::number(m_target.textSize()));
    write("Top", QString::number(b.top()));
    write("Left", QString::number(b.left()));
    write("Width", QString::number(b.width()));
    write("Height", QString::number(b.height()));
    try {
        write("Textcolor", m_target.textColorText());
    } catch (const SettingsError &) {
        // a failed colour alone does not stop the save
    }
    write("Playtoscore", QString::number(m_target.rounds()));
    write("Timeperturn", QString::number(m_target.creationTime()));
    write("Turnsound", QString::number(m_target.turnSound()));
    write("Playerphrasesounds", m_target.playerPhraseSounds() ? QStringLiteral("true") : QStringLiteral("false"));
    write("Playsounds", m_target.playSounds() ? QStringLiteral("true") : QStringLiteral("false"));
}

} // namespace vorlith::app
