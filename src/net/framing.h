#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace vorlith::net {

/// The byte that ends every message line on the wire.
inline constexpr char Terminator = '\xff';

/// Longest message line handled whole; longer lines are cut to this length.
inline constexpr qsizetype MaxLineLength = 65536;

/// Cuts one connection's byte stream into message lines at the terminator.
///
/// The unfinished tail (the carry-over) never grows past MaxLineLength: bytes
/// beyond it are dropped up to the next terminator, and overflowed() tells
/// the owner, who may prefer to close such a connection.
class LineFramer
{
public:
    /// Appends \a bytes and moves every completed line to \a lines.
    void feed(QByteArrayView bytes, QList<QByteArray> &lines);

    /// True once an unfinished line has passed MaxLineLength.
    bool overflowed() const { return m_overflowed; }
    qsizetype carrySize() const { return m_carry.size(); }
    void clear();

private:
    QByteArray m_carry;
    bool m_discarding{false};
    bool m_overflowed{false};
};

} // namespace vorlith::net
