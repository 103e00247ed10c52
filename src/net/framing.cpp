#include "net/framing.h"

namespace vorlith::net {

void LineFramer::feed(QByteArrayView bytes, QList<QByteArray> &lines)
{
    while (!bytes.isEmpty()) {
        const qsizetype end = bytes.indexOf(Terminator);
        const QByteArrayView piece = end < 0 ? bytes : bytes.first(end);
        if (!m_discarding) {
            const qsizetype room = MaxLineLength - m_carry.size();
            if (piece.size() > room) {
                m_carry.append(piece.first(room));
                m_discarding = true;
                m_overflowed = true;
            } else {
                m_carry.append(piece);
            }
        }
        if (end < 0)
            return;
        lines.append(std::exchange(m_carry, QByteArray()));
        m_discarding = false;
        bytes = bytes.sliced(end + 1);
    }
}

void LineFramer::clear()
{
    m_carry.clear();
    m_discarding = false;
}

} // namespace vorlith::net
