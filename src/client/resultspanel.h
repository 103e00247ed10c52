#pragma once

#include "client/roundflow.h"

#include <QFrame>

#include <array>

class QAbstractButton;
class QLabel;
class QListWidget;

namespace vorlith::ui {
class ImageButton;
}

namespace vorlith::client {

/// The round results over the board (panel_show): for each of the six seats
/// its name and its accepted words of the round, seats 1 to 3 side by side
/// at the top and 4 to 6 below, a note while the scores are posted, and a
/// button that closes the panel.
class ResultsPanel : public QFrame
{
    Q_OBJECT
public:
    explicit ResultsPanel(QWidget *parent);

    /// Fills the six columns from \a results.
    void setResults(const RoundResults &results);

    QLabel *nameLabel(int seat) const;
    QListWidget *list(int seat) const;
    ui::ImageButton *closeButton() const { return m_close; }
    /// Opens the words the board held.
    QAbstractButton *reviewButton() const { return m_review; }

Q_SIGNALS:
    void closeRequested();
    void reviewRequested();

private:
    std::array<QLabel *, 6> m_names{};
    std::array<QListWidget *, 6> m_lists{};
    ui::ImageButton *m_close{nullptr};
    QAbstractButton *m_review{nullptr};
};

} // namespace vorlith::client
