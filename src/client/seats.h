#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <functional>

class QAction;
class QLabel;
class QMenu;
class QWidget;

namespace vorlith::client {

class Roster;

/// The six seat displays (name, score, bonus, eyes) on the board panel, as
/// the roster holds them, and the seat menu of the hosting player.
class Seats : public QObject
{
    Q_OBJECT
public:
    static constexpr int Count = 6;

    /// Creates the seat components on \a panel; the panel places them.
    Seats(QWidget *panel, const Roster &roster, QObject *parent = nullptr);

    QLabel *nameLabel(int seat) const;
    QLabel *scoreLabel(int seat) const;
    QLabel *bonusLabel(int seat) const;
    QLabel *eyes(int seat) const;
    /// The light card under the seats.
    QWidget *card() const { return m_card; }
    /// The caption of a seat's name label; empty for numbers that are no seat.
    QString caption(int seat) const;
    /// The six captions in seat order.
    QStringList captions() const;

    /// Places the seat's score label 4 pixels after its name label and the
    /// bonus label 4 pixels after the score.
    void placeAfterName(int seat);

    /// Whether the seat menu's items may be used (the hosting player).
    void setHostCheck(std::function<bool()> isHost) { m_isHost = std::move(isHost); }
    /// Whether this program is connected (the menu asks nothing before).
    void setConnectedCheck(std::function<bool()> isConnected)
    {
        m_isConnected = std::move(isConnected);
    }
    QMenu *popupKick() const { return m_popup; }
    /// Prepares the seat menu for \a seat as it opens; returns its target.
    void preparePopup(int seat);
    int popupTarget() const { return m_popupTarget; }

Q_SIGNALS:
    /// Seat menu choices of the hosting player.
    void justWatchRequested(int seat, bool watching);
    void removeRequested(int number);

private:
    struct Seat
    {
        QLabel *name{nullptr};
        QLabel *score{nullptr};
        QLabel *bonus{nullptr};
        QLabel *eyes{nullptr};
    };
    const Seat *seat(int number) const;
    void showSeat(int number);

    const Roster &m_roster;
    std::array<Seat, Count> m_seats{};
    QWidget *m_card{nullptr};
    QMenu *m_popup{nullptr};
    QAction *m_remove{nullptr};
    QAction *m_setWatch{nullptr};
    QAction *m_unsetWatch{nullptr};
    int m_popupTarget{0};
    std::function<bool()> m_isHost;
    std::function<bool()> m_isConnected;
};

} // namespace vorlith::client
