#pragma once

#include <QDialog>
#include <QPointer>

class QComboBox;
class QSpinBox;

namespace vorlith::client {

/// The game options dialog: number of rounds and creation time, and the
/// computer players at the hosting player's table with their strength.
class GameOptionsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit GameOptionsDialog(const QPixmap &background, QWidget *parent = nullptr);

    /// The rounds control (1 to 10) and the creation-time control (30 to 120
    /// in steps of 5); values handed to them are held to those ranges.
    QSpinBox *upDownRounds() const { return m_rounds; }
    QSpinBox *upDownTime() const { return m_time; }
    int rounds() const;
    int creationTime() const;
    void setRounds(int value);
    void setCreationTime(int value);
    /// The computer players control (0 up to the limit the program sets: the
    /// ones at the table and the free seats) and the strength they play at,
    /// by name ("Easy", "Normal", "Hard").
    QSpinBox *upDownComputers() const { return m_computers; }
    QComboBox *strengthBox() const { return m_strength; }
    int computerPlayers() const;
    void setComputerPlayers(int count);
    void setComputerPlayerLimit(int most);
    QString strength() const;
    void setStrength(const QString &name);
    /// The window the dialog opens centred on each time it is shown.
    void setCentredOn(QWidget *window) { m_centredOn = window; }

Q_SIGNALS:
    /// The start button was pressed.
    void startRequested(int rounds, int creationTime);
    /// The dialog is about to be shown: its choices may be brought up to date.
    void aboutToShow();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QPointer<QWidget> m_centredOn;
    QSpinBox *m_rounds{nullptr};
    QSpinBox *m_time{nullptr};
    QSpinBox *m_computers{nullptr};
    QComboBox *m_strength{nullptr};
};

} // namespace vorlith::client
