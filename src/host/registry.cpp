#include "host/registry.h"

namespace vorlith::host {

PlayerRecord *Registry::record(int slot)
{
    return slot >= 1 && slot <= Records ? &m_records[static_cast<size_t>(slot)] : nullptr;
}

const PlayerRecord *Registry::record(int slot) const
{
    return slot >= 1 && slot <= Records ? &m_records[static_cast<size_t>(slot)] : nullptr;
}

bool Registry::isActive(int slot) const
{
    const PlayerRecord *r = record(slot);
    return r && r->active;
}

QString Registry::name(int slot) const
{
    const PlayerRecord *r = record(slot);
    return r ? r->name : QString();
}

QList<int> Registry::activeSlots() const
{
    QList<int> slots;
    for (int i = 1; i <= m_slotCount && i <= Records; ++i) {
        if (m_records[static_cast<size_t>(i)].active)
            slots.append(i);
    }
    return slots;
}

} // namespace vorlith::host
