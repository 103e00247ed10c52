#pragma once

// A host whose deal is known: the board of the benchmarks.

#include "host/gameengine.h"

#include <QByteArray>
#include <QList>

#include <algorithm>

namespace vorlith::bench {

/// A random source that makes the host deal \a letters (lower case, cell
/// after cell, board after board): for each letter its column and then its
/// row in the engine's letter table.
inline host::GameEngine::RandomSource riggedDeal(const QByteArray &letters)
{
    QList<int> draws;
    for (char letter : letters) {
        for (size_t r = 0; r < host::GameEngine::LetterTable.size(); ++r) {
            const auto &row = host::GameEngine::LetterTable[r];
            if (const auto c = std::find(row.begin(), row.end(), letter); c != row.end()) {
                draws << int(c - row.begin()) << int(r);
                break;
            }
        }
    }
    return [draws, at = qsizetype(0)](int) mutable { return draws[at++ % draws.size()]; };
}

} // namespace vorlith::bench
