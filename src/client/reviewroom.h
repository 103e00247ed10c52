#pragma once

#include "client/boardreview.h"

#include <QObject>
#include <QPointer>

#include <array>
#include <functional>

class QAbstractButton;
class QAction;
class QFrame;
class QLabel;
class QListWidget;

namespace vorlith::client {

class BoardModel;
class ResultsPanel;

/// The round review over the board (panel_review): after a round's results,
/// the best words the board held by this program's word list, longest first,
/// with how many there were and the best possible score, the words somebody
/// at the table found marked with their names. It opens from the results
/// panel's Board Words button or View > Words on This Board, and closes with
/// its buttons, Escape, or the next round.
class ReviewRoom : public QObject
{
    Q_OBJECT
public:
    /// The words this program's list finds on a board, longest first.
    using WordSource =
        std::function<std::vector<dict::FoundWord>(const std::array<int, 36> &board)>;
    /// The review lists the board's best words up to this many, and every
    /// word found at the table.
    static constexpr int Listed = 200;

    ReviewRoom(QWidget *panel, const BoardModel &board, RoundFlow &flow, ResultsPanel &results,
               QObject *parent = nullptr);

    void setWordSource(WordSource source) { m_words = std::move(source); }
    /// Whether this program hosts: its list is then the one the host judged by.
    void setHostCheck(std::function<bool()> isHost) { m_isHost = std::move(isHost); }

    /// View > Words on This Board: enabled while a review is there to show.
    QAction *showAction() const { return m_action; }
    QFrame *panel() const { return m_panel; }
    /// The rows of the review while it is shown; empty while it is not.
    QListWidget *list() const { return m_list; }
    QLabel *summaryLabel() const { return m_summary; }
    QLabel *sourceLabel() const { return m_source; }
    const Review &review() const { return m_review; }

    void showReview();
    void hideReview();

private:
    void roundOver();
    void roundStarted();
    void fillList();

    const BoardModel &m_board;
    RoundFlow &m_flow;
    WordSource m_words;
    std::function<bool()> m_isHost;
    Review m_review;
    QAction *m_action{nullptr};
    QFrame *m_panel{nullptr};
    QLabel *m_summary{nullptr};
    QLabel *m_source{nullptr};
    QListWidget *m_list{nullptr};
    QPointer<QWidget> m_focusBefore;
};

} // namespace vorlith::client
