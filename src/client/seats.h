#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <functional>

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QWidget;

namespace vorlith::client {

class ClientSession;

/// The six seat displays (name, score, bonus, eyes), the spy entries and the
/// chat notices of arrivals, departures and watching changes.
class Seats : public QObject
{
    Q_OBJECT
public:
    static constexpr int Count = 6;
    static inline const QString Waiting = QStringLiteral("<Waiting>");

    /// Creates the seat components on \a panel at their places.
    Seats(QWidget *panel, ClientSession &session, QListWidget *spyList, QAction *justWatch, QObject *parent = nullptr);

    QLabel *nameLabel(int seat) const;
    QLabel *scoreLabel(int seat) const;
    QLabel *bonusLabel(int seat) const;
    QLabel *eyes(int seat) const;
    /// The caption of a seat's name label; empty for numbers that are no seat.
    QString caption(int seat) const;
    /// The six captions in seat order.
    QStringList captions() const;

    void setSpyList(QListWidget *spyList) { m_spyList = spyList; }

    /// Whether the seat menu's items may be used (the hosting player).
    void setHostCheck(std::function<bool()> isHost) { m_isHost = std::move(isHost); }
    QMenu *popupKick() const { return m_popup; }
    /// Prepares the seat menu for \a seat as it opens; returns its target.
    void preparePopup(int seat);
    int popupTarget() const { return m_popupTarget; }

    // Handlers of the host's messages (fields of the received line).
    void newplayerinfo(const QString &fields);
    void playerdisconnected(const QString &fields);
    void justwatching(const QString &fields);

Q_SIGNALS:
    /// A chat line ("0+...") for the program's own notices.
    void chatLine(const QString &line);
    /// This client's own record arrived: time to load the settings.
    void ownArrival();
    void soundRequested(const QString &name);
    /// Seat menu choices of the hosting player.
    void justWatchRequested(int seat, int mode);
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

    ClientSession &m_session;
    QListWidget *m_spyList{nullptr};
    QAction *m_justWatch{nullptr};
    std::array<Seat, Count> m_seats{};
    QMenu *m_popup{nullptr};
    QAction *m_remove{nullptr};
    QAction *m_setWatch{nullptr};
    QAction *m_unsetWatch{nullptr};
    int m_popupTarget{0};
    std::function<bool()> m_isHost;
};

} // namespace vorlith::client
