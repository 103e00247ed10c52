#pragma once

#include "client/roundflow.h"

#include <QString>

namespace vorlith::client {

// How the round's numbers read on screen: the flow keeps numbers, the
// window shows these.

/// "Round: 2 of 5" (label_roundnum).
QString roundText(const RoundFlow::View &view);
/// "Time: 60secs" (label_playtoscore); empty before the first game.
QString creationTimeText(const RoundFlow::View &view);
/// "Time: 1:05" (label_timer); minutes are not capped.
QString clockText(qint64 seconds);
/// A seat's latest points after its score: "+9".
QString bonusText(qint64 points);

} // namespace vorlith::client
