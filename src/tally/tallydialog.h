#pragma once

#include "tally/tallykeeper.h"

#include <QDialog>
#include <QPixmap>

#include <array>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace vorlith::tally {

/// The tally window, "Vorlith - Tally List": shows the keeper's tally and
/// hands the player's choices to it (whom to tally, deleting a player's
/// tally, resetting it all).
///
/// Shown modelessly; Done only hides it.
class TallyDialog : public QDialog
{
    Q_OBJECT

public:
    /// \a keeper must outlive the window; \a background may be null.
    explicit TallyDialog(TallyKeeper &keeper, const QPixmap &background, QWidget *parent = nullptr);
    ~TallyDialog() override;

    /// Rebuilds "Players In Current Game" from the seats.
    void loadchecklist();
    /// What the View Tally menu item does: refresh the current game's
    /// players and show the window.
    void showTally();

    /// The tally shown.
    const TallyBook &book() const { return m_keeper.book(); }
    QString tallyFilePath() const { return m_keeper.path(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void showOwnTally();
    void showPlayers();
    void showSelectedPlayer();
    void onGameAdded(bool mine);
    void onPlayerAdded(const QString &name);
    void onPlayerRemoved(int index);
    void onTallyReset();
    void onCurrentGameItemChanged(QListWidgetItem *item);
    void onTalliedItemChanged(QListWidgetItem *item);
    void askToReset();

    TallyKeeper &m_keeper;
    QPixmap m_background;

    QLabel *mylabel_1{nullptr};
    QLabel *mylabel_2{nullptr};
    QLabel *mylabel_3{nullptr};
    QLabel *label_hisnametop{nullptr};
    QLabel *label_hisname{nullptr};
    std::array<QLabel *, 8> m_counts{}; ///< label_1 .. label_8
    QListWidget *listbox_tally{nullptr};
    QListWidget *checklist{nullptr};
    QPushButton *button_done{nullptr};
    QPushButton *button_reset{nullptr};
};

} // namespace vorlith::tally
