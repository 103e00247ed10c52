#include "server/admission.h"

#include <QHostAddress>

namespace vorlith::server {

QString Admission::key(const QString &address)
{
    const QHostAddress parsed(address);
    if (parsed.isNull())
        return address;
    bool isV4 = false;
    const quint32 v4 = parsed.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4).toString() : parsed.toString();
}

bool Admission::take(const QString &address)
{
    const QString k = key(address);
    int &count = m_byAddress[k];
    if (m_count >= m_total || count >= m_perAddress) {
        if (count == 0)
            m_byAddress.remove(k);
        return false;
    }
    ++count;
    ++m_count;
    return true;
}

void Admission::release(const QString &address)
{
    const auto it = m_byAddress.find(key(address));
    if (it == m_byAddress.end())
        return;
    --m_count;
    if (--it.value() <= 0)
        m_byAddress.erase(it);
}

} // namespace vorlith::server
