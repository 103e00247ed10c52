#include "host/loginguard.h"

namespace vorlith::host {

LoginGuard::LoginGuard(Late onLate, QObject *parent)
    : QObject(parent), m_onLate(std::move(onLate)), m_deadlines([this](quint64 serial) {
          forget(serial);
          m_onLate(serial);
      })
{
}

bool LoginGuard::admits(const QString &address) const
{
    return m_perAddress.value(address) < MaxWaitingPerAddress;
}

void LoginGuard::waiting(quint64 serial, const QString &address)
{
    if (m_addressOf.contains(serial))
        return;
    m_addressOf.insert(serial, address);
    ++m_perAddress[address];
    m_deadlines.set(serial, LoginTime);
}

void LoginGuard::done(quint64 serial)
{
    forget(serial);
    m_deadlines.remove(serial);
}

void LoginGuard::forget(quint64 serial)
{
    const auto it = m_addressOf.constFind(serial);
    if (it == m_addressOf.constEnd())
        return;
    const QString address = *it;
    m_addressOf.erase(it);
    if (--m_perAddress[address] <= 0)
        m_perAddress.remove(address);
}

} // namespace vorlith::host
