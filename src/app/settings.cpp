#include "app/settings.h"

namespace vorlith::app {

Settings::Settings(QString path, SettingsTarget &target)
    : m_store(std::move(path)), m_target(target)
{
}

QRect Settings::load()
{
    const Preferences p = m_store.load();
    m_target.setTextSize(p.textSize);
    m_target.setWindowBounds(p.windowBounds);
    m_target.setTextColorText(p.textColor);
    if (p.rounds)
        m_target.setRounds(*p.rounds);
    if (p.creationTime)
        m_target.setCreationTime(*p.creationTime);
    m_target.setTurnSound(p.turnSound);
    for (int n = 1; n <= int(p.phrases.size()); ++n) {
        const QString &phrase = p.phrases[size_t(n - 1)];
        if (!phrase.isEmpty())
            m_target.setPhrase(n, phrase);
    }
    m_target.setPlaySounds(p.playSounds);
    m_target.setPlayerPhraseSounds(p.playerPhraseSounds);
    if (p.showQuickInstructions)
        m_target.showQuickInstructions();
    m_store.markQuickInstructionsShown();
    return p.windowBounds;
}

void Settings::save()
{
    Preferences p;
    p.textSize = m_target.textSize();
    p.windowBounds = m_target.windowBounds();
    p.textColor = m_target.textColorText();
    p.rounds = m_target.rounds();
    p.creationTime = m_target.creationTime();
    p.turnSound = m_target.turnSound();
    p.playSounds = m_target.playSounds();
    p.playerPhraseSounds = m_target.playerPhraseSounds();
    m_store.save(p);
}

} // namespace vorlith::app
