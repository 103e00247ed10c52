#pragma once

#include "host/deadlines.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>

namespace vorlith::host {

/// Keeps connections that never log in from squatting on the table's slots:
/// each must log in within LoginTime of being accepted, and no address may
/// have more than MaxWaitingPerAddress connections waiting to log in at once.
/// Connections are known by their serial.
class LoginGuard : public QObject
{
    Q_OBJECT
public:
    static constexpr std::chrono::seconds LoginTime{10};
    static constexpr int MaxWaitingPerAddress = 3;

    /// \a onLate is called for a connection whose login did not come in time;
    /// it is forgotten before the call.
    using Late = std::function<void(quint64 serial)>;
    explicit LoginGuard(Late onLate, QObject *parent = nullptr);

    /// True when one more connection from \a address may wait for its login.
    bool admits(const QString &address) const;
    /// Starts the login deadline of a connection just accepted from \a address.
    void waiting(quint64 serial, const QString &address);
    /// The connection logged in or closed: its deadline ends.
    void done(quint64 serial);

    int waitingFrom(const QString &address) const { return m_perAddress.value(address); }
    Deadlines &deadlines() { return m_deadlines; }

private:
    void forget(quint64 serial);

    Late m_onLate;
    Deadlines m_deadlines;
    QHash<quint64, QString> m_addressOf;
    QHash<QString, int> m_perAddress;
};

} // namespace vorlith::host
