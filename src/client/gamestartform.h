#pragma once

#include <QDialog>
#include <QPointer>

class QSpinBox;

namespace vorlith::client {

/// The game options dialog: number of rounds and creation time.
class Tgamestart : public QDialog
{
    Q_OBJECT
public:
    explicit Tgamestart(const QPixmap &background, QWidget *parent = nullptr);

    /// The rounds control (1 to 10) and the creation-time control (30 to 120
    /// in steps of 5); values handed to them are held to those ranges.
    QSpinBox *upDownRounds() const { return m_rounds; }
    QSpinBox *upDownTime() const { return m_time; }
    int rounds() const;
    int creationTime() const;
    void setRounds(int value);
    void setCreationTime(int value);
    /// The window the dialog opens centred on each time it is shown.
    void setCentredOn(QWidget *window) { m_centredOn = window; }

Q_SIGNALS:
    /// The start button was pressed.
    void startRequested(int rounds, int creationTime);

protected:
    void showEvent(QShowEvent *event) override;

private:
    QPointer<QWidget> m_centredOn;
    QSpinBox *m_rounds{nullptr};
    QSpinBox *m_time{nullptr};
};

} // namespace vorlith::client
