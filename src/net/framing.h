#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace vorlith::net {

/// The byte that ends every message line on the wire.
inline constexpr char Terminator = '\xff';

/// Longest message line a client keeps from its host; longer lines are cut to
/// this length. A round's results can pass 4096 bytes, so a client allows more
/// than the host does.
inline constexpr qsizetype MaxLineLength = 65536;

/// Longest message line the host keeps from a participant; the rest of a
/// longer line is dropped.
inline constexpr qsizetype HostLineLength = 4096;

/// Cuts one connection's byte stream into message lines at the terminator.
///
/// A line longer than the framer's kept length is cut to it: the bytes beyond
/// are dropped up to the next terminator, so the carry-over never grows past
/// that length. A line that runs on past MaxLineLength is more than any honest
/// peer sends; overflowed() then tells the owner, who may prefer to close such
/// a connection.
class LineFramer
{
public:
    /// Lines are kept up to \a keep bytes (at most MaxLineLength).
    explicit LineFramer(qsizetype keep = MaxLineLength);

    /// Appends \a bytes and moves every completed line to \a lines.
    void feed(QByteArrayView bytes, QList<QByteArray> &lines);

    /// True once an unfinished line has passed MaxLineLength.
    bool overflowed() const { return m_overflowed; }
    qsizetype carrySize() const { return m_carry.size(); }
    qsizetype keptLength() const { return m_keep; }
    void clear();

private:
    QByteArray m_carry;
    qsizetype m_keep{MaxLineLength};
    // Bytes of the current line seen so far, kept or not.
    qsizetype m_lineLength{0};
    bool m_overflowed{false};
};

} // namespace vorlith::net
