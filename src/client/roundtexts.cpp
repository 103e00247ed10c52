#include "client/roundtexts.h"

namespace vorlith::client {

QString roundText(const RoundFlow::View &view)
{
    return QStringLiteral("Round: ") + QString::number(view.round) + QStringLiteral(" of ") +
           view.rounds;
}

QString creationTimeText(const RoundFlow::View &view)
{
    return view.time.isEmpty() ? QString()
                               : QStringLiteral("Time: ") + view.time + QStringLiteral("secs");
}

QString clockText(qint64 seconds)
{
    const qint64 s = std::max<qint64>(seconds, 0);
    return QStringLiteral("Time: %1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

QString bonusText(qint64 points)
{
    return QStringLiteral("+") + QString::number(points);
}

} // namespace vorlith::client
