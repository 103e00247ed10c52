#include "net/framing.h"

#include <algorithm>

namespace vorlith::net {

LineFramer::LineFramer(qsizetype keep) : m_keep(std::clamp<qsizetype>(keep, 1, MaxLineLength)) {}

void LineFramer::feed(QByteArrayView bytes, QList<QByteArray> &lines)
{
    while (!bytes.isEmpty()) {
        const qsizetype end = bytes.indexOf(Terminator);
        const QByteArrayView piece = end < 0 ? bytes : bytes.first(end);
        const qsizetype room = m_keep - m_carry.size();
        m_carry.append(piece.first(std::min(room, piece.size())));
        m_lineLength += piece.size();
        if (m_lineLength > MaxLineLength)
            m_overflowed = true;
        if (end < 0)
            return;
        lines.append(std::exchange(m_carry, QByteArray()));
        m_lineLength = 0;
        bytes = bytes.sliced(end + 1);
    }
}

void LineFramer::clear()
{
    m_carry.clear();
    m_lineLength = 0;
}

} // namespace vorlith::net
