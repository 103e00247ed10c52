#pragma once

#include "tally/tallybook.h"

#include <QDialog>
#include <QPixmap>

#include <array>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace vorlith::tally {

class SeatNameSource;

/// The tally window, "Vorlith - Tally List": shows the tally and lets the
/// player choose whom to tally, delete a player's tally and reset it all.
///
/// Created once at start-up (it loads the tally file then, telling the
/// player once when the file cannot be read) and destroyed at exit (it saves
/// the tally then). Shown modelessly; Done only hides it.
class Ttallylist : public QDialog
{
    Q_OBJECT

public:
    /// Name of the tally file in the program's data folder.
    static QString fileName();

    /// \a background may be null; \a seats (not owned, may be null) must
    /// outlive the window.
    Ttallylist(const QPixmap &background, const SeatNameSource *seats, QWidget *parent = nullptr);
    ~Ttallylist() override;

    /// Records a finished game: \a result is the winner's name, or
    /// addToMine() when the winner is the local user. Call it only while the
    /// local user holds one of the six seats.
    void addgame(const QString &result);
    /// Offers an accepted word of the local user as the longest word.
    void checkword(const QString &word);
    /// Rebuilds "Players In Current Game" from the seats.
    void loadchecklist();
    /// What the View Tally menu item does: refresh the current game's
    /// players and show the window.
    void showTally();
    /// Writes the tally file now; false (and the old file kept) on failure.
    bool save();

    const TallyBook &book() const { return m_book; }
    QString tallyFilePath() const { return m_path; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void FormCreate();
    void loadtally();
    void showOwnTally();
    void checklistClickCheck(QListWidgetItem *item);
    void listbox_tallyClickCheck(QListWidgetItem *item);
    void listbox_tallyClick();
    void button_doneClick();
    void button_resetClick();

    TallyBook m_book;
    QString m_path;
    QPixmap m_background;
    const SeatNameSource *m_seats{nullptr};

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
