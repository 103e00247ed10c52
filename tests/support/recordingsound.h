#pragma once

#include "chat/sounds.h"

#include <QStringList>

/// Records the names of the sounds asked for instead of playing them.
class RecordingSoundOutput final : public vorlith::chat::SoundOutput
{
public:
    void play(const QString &name) override { played.append(name); }
    QStringList played;
};
