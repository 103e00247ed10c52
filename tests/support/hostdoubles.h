#pragma once

// Stand-ins for the host's tests: a game that only records what reaches
// it, and a deal rigged to the letters a test wants. Only the tests that
// link the host library include this.

#include "host/gameengine.h"
#include "host/server.h"

#include <QList>
#include <QStringList>

#include <algorithm>

/// A game engine stand-in that says whether a game runs and records calls.
class FakeGame final : public vorlith::host::GameHooks
{
public:
    bool gameInProgress() const override { return running; }
    void catchUp(int slot) override { caughtUp.append(slot); }
    void startGame(const QString &starter, std::optional<qint32> rounds,
                   std::optional<qint32> time) override
    {
        const auto text = [](std::optional<qint32> n) {
            return n ? QString::number(*n) : QStringLiteral("none");
        };
        starts.append(starter + " " + text(rounds) + " " + text(time));
    }
    void playWord(int slot, const QString &word) override
    {
        words.append(QString::number(slot) + ":" + word);
    }

    bool running{false};
    QList<int> caughtUp;
    QStringList starts;
    QStringList words;
};

/// A random source that deals \a letters cell after cell and board after
/// board (starting over at the end), by answering the column and then the
/// row where each letter stands in the engine's letter table.
inline vorlith::host::GameEngine::RandomSource riggedDeal(const QByteArray &letters)
{
    using vorlith::host::GameEngine;
    QList<int> answers;
    for (char letter : letters) {
        for (size_t r = 0; r < GameEngine::LetterTable.size(); ++r) {
            const auto &row = GameEngine::LetterTable[r];
            const auto at = std::find(row.begin(), row.end(), letter);
            if (at != row.end()) {
                answers << int(at - row.begin()) << int(r);
                break;
            }
        }
    }
    return [answers, at = qsizetype(0)](int) mutable { return answers[at++ % answers.size()]; };
}
