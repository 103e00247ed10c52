#include "chat/sounds.h"

#include "ui/resources.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QSoundEffect>
#include <QUrl>

namespace vorlith::chat {

EffectSoundOutput::EffectSoundOutput()
{
    ui::initResources();
}

EffectSoundOutput::~EffectSoundOutput()
{
    qDeleteAll(m_effects);
}

void EffectSoundOutput::play(const QString &name)
{
    const QString key = name.toLower();
    QSoundEffect *effect = m_effects.value(key);
    if (!effect) {
        const QString path = ui::soundPath(key);
        if (!QFile::exists(path)) {
            QApplication::beep();
            return;
        }
        effect = new QSoundEffect;
        effect->setSource(QUrl(QStringLiteral("qrc") + path));
        m_effects.insert(key, effect);
    }
    if (m_current && m_current != effect)
        m_current->stop();
    m_current = effect;
    effect->play();
}

Sounds::Sounds(SoundOutput &output, QObject *parent) : QObject(parent), m_output(output)
{
    m_playSounds = new QAction(QStringLiteral("Play Sounds"), this);
    m_playSounds->setObjectName(QStringLiteral("PlaySounds1"));
    m_playSounds->setCheckable(true);
    m_playSounds->setChecked(true);
    connect(m_playSounds, &QAction::triggered, this, &Sounds::settingsChanged);

    m_playerPhraseSounds = new QAction(QStringLiteral("Player Phrase Sounds"), this);
    m_playerPhraseSounds->setObjectName(QStringLiteral("PlayerPhraseSounds1"));
    m_playerPhraseSounds->setCheckable(true);
    m_playerPhraseSounds->setChecked(true);
    connect(m_playerPhraseSounds, &QAction::triggered, this, &Sounds::settingsChanged);

    auto *group = new QActionGroup(this);
    m_classic = new QAction(QStringLiteral("Classic"), group);
    m_classic->setCheckable(true);
    m_classic->setChecked(true);
    m_new = new QAction(QStringLiteral("New"), group);
    m_new->setCheckable(true);
    connect(m_classic, &QAction::triggered, this, [this] {
        setTurnSound(0);
        Q_EMIT settingsChanged();
    });
    connect(m_new, &QAction::triggered, this, [this] {
        setTurnSound(1);
        Q_EMIT settingsChanged();
    });
}

void Sounds::playsounds(const QString &name)
{
    if (m_playSounds->isChecked())
        m_output.play(name);
}

void Sounds::playChatter(const QString &name)
{
    m_output.play(name);
}

bool Sounds::playSounds() const
{
    return m_playSounds->isChecked();
}

void Sounds::setPlaySounds(bool on)
{
    m_playSounds->setChecked(on);
}

bool Sounds::playerPhraseSounds() const
{
    return m_playerPhraseSounds->isChecked();
}

void Sounds::setPlayerPhraseSounds(bool on)
{
    m_playerPhraseSounds->setChecked(on);
}

void Sounds::setTurnSound(int choice)
{
    m_turnSound = choice == 1 ? 1 : 0;
    m_classic->setChecked(m_turnSound == 0);
    m_new->setChecked(m_turnSound == 1);
}

QString Sounds::turnSoundName() const
{
    return m_turnSound == 1 ? QStringLiteral("turnnew") : QStringLiteral("turn");
}

QMenu *Sounds::createTurnSoundMenu(QWidget *parent) const
{
    auto *menu = new QMenu(QStringLiteral("Turn Sound"), parent);
    menu->addAction(m_classic);
    menu->addAction(m_new);
    return menu;
}

} // namespace vorlith::chat
