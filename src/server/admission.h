#pragma once

#include <QHash>
#include <QString>

namespace vorlith::server {

/// Counts the connections the tables hold, per remote address and in all,
/// and refuses one more past either bound: a single machine, or a crowd of
/// them, cannot take every seat and every descriptor of the server.
class Admission
{
public:
    static constexpr int DefaultPerAddress = 16;
    static constexpr int DefaultTotal = 4096;

    Admission(int perAddress = DefaultPerAddress, int total = DefaultTotal)
        : m_perAddress(perAddress), m_total(total)
    {
    }

    void setLimits(int perAddress, int total)
    {
        m_perAddress = perAddress;
        m_total = total;
    }

    /// Counts a connection from \a address; false (and nothing counted) when
    /// a bound is reached.
    bool take(const QString &address);
    /// Forgets a connection counted by take().
    void release(const QString &address);

    int total() const { return m_count; }
    int from(const QString &address) const { return m_byAddress.value(key(address)); }

    /// One spelling per address: an IPv4 peer seen through an IPv6 socket
    /// counts with its plain IPv4 form.
    static QString key(const QString &address);

private:
    int m_perAddress;
    int m_total;
    int m_count{0};
    QHash<QString, int> m_byAddress;
};

} // namespace vorlith::server
