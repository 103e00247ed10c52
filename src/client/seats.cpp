#include "client/seats.h"

#include "client/clientsession.h"
#include "net/protocol.h"
#include "ui/clicklabel.h"
#include "ui/theme.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>

namespace vorlith::client {

namespace proto = net::proto;

namespace {

struct Place
{
    int nameLeft, nameTop, scoreLeft, eyesLeft, eyesTop;
};
constexpr std::array<Place, Seats::Count> places{{
    {434, 59, 524, 424, 62},
    {434, 82, 524, 424, 84},
    {434, 106, 524, 424, 108},
    {610, 57, 700, 600, 60},
    {610, 81, 700, 600, 84},
    {610, 104, 700, 600, 108},
}};

} // namespace

Seats::Seats(QWidget *panel, ClientSession &session, QListWidget *spyList, QAction *justWatch, QObject *parent)
    : QObject(parent), m_session(session), m_spyList(spyList), m_justWatch(justWatch)
{
    // A light card under the seats keeps the dark and blue names readable.
    auto *card = new QLabel(panel);
    card->setObjectName(QStringLiteral("panel_seats"));
    card->setGeometry(417, 50, 344, 80);
    card->setStyleSheet(QStringLiteral("background: rgba(247,247,238,235); border: 1px solid #b9a97a; border-radius: 8px;"));
    card->lower();

    m_popup = new QMenu(panel);
    m_popup->setObjectName(QStringLiteral("popup_kick"));
    m_remove = m_popup->addAction(QStringLiteral("Remove From Game"));
    m_remove->setObjectName(QStringLiteral("RemoveFromGame1"));
    m_setWatch = m_popup->addAction(QStringLiteral("Set to Just Watch"));
    m_setWatch->setObjectName(QStringLiteral("SettoJustWatch1"));
    m_unsetWatch = m_popup->addAction(QStringLiteral("Unset Just Watch"));
    m_unsetWatch->setObjectName(QStringLiteral("UnsetJustWatch1"));
    connect(m_setWatch, &QAction::triggered, this, [this] {
        if (m_session.isConnected() && m_session.isSeat(m_popupTarget))
            Q_EMIT justWatchRequested(m_popupTarget, 1);
    });
    connect(m_unsetWatch, &QAction::triggered, this, [this] {
        if (m_session.isConnected() && m_session.isSeat(m_popupTarget))
            Q_EMIT justWatchRequested(m_popupTarget, 2);
    });
    connect(m_remove, &QAction::triggered, this, [this] { Q_EMIT removeRequested(m_popupTarget); });

    const QPixmap eyesPicture = ui::picture(QStringLiteral("eyes.png"));
    for (int n = 1; n <= Count; ++n) {
        const Place &p = places[static_cast<size_t>(n - 1)];
        Seat &s = m_seats[static_cast<size_t>(n - 1)];
        const QColor colour = n % 2 ? ui::colors::SeatOdd : QColor(Qt::black);
        const QString style = QStringLiteral("color: %1; background: transparent;").arg(colour.name());

        auto *name = new ui::ClickLabel(panel);
        name->setObjectName(QStringLiteral("label_playername%1").arg(n));
        name->setFont(ui::arial(13, true));
        name->setStyleSheet(style);
        name->setGeometry(p.nameLeft, p.nameTop, 86, 18);
        name->setTextFormat(Qt::PlainText); // a name is whatever the player typed
        name->setText(Waiting);
        name->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(name, &QWidget::customContextMenuRequested, this, [this, n, name](const QPoint &pos) {
            preparePopup(n);
            m_popup->popup(name->mapToGlobal(pos));
        });
        s.name = name;

        s.score = new QLabel(QStringLiteral("0"), panel);
        s.score->setObjectName(QStringLiteral("label_score%1").arg(n));
        s.score->setTextFormat(Qt::PlainText);
        s.score->setFont(ui::arial(13, true));
        s.score->setStyleSheet(style);
        s.score->move(p.scoreLeft, p.nameTop);
        s.score->adjustSize();

        s.bonus = new QLabel(panel);
        s.bonus->setObjectName(QStringLiteral("label_bonus%1").arg(n));
        s.bonus->setTextFormat(Qt::PlainText);
        s.bonus->setFont(ui::arial(13, true));
        s.bonus->setStyleSheet(style);
        s.bonus->move(p.scoreLeft + 40, p.nameTop);
        s.bonus->setText(QString());
        s.bonus->adjustSize();

        s.eyes = new QLabel(panel);
        s.eyes->setObjectName(QStringLiteral("image_eyes%1").arg(n));
        s.eyes->setGeometry(p.eyesLeft, p.eyesTop, 23, 10);
        s.eyes->setScaledContents(true);
        s.eyes->setPixmap(eyesPicture);
        s.eyes->setAttribute(Qt::WA_TranslucentBackground);
        s.eyes->hide();
        s.eyes->raise();
    }
}

const Seats::Seat *Seats::seat(int number) const
{
    return number >= 1 && number <= Count ? &m_seats[static_cast<size_t>(number - 1)] : nullptr;
}

QLabel *Seats::nameLabel(int n) const
{
    return seat(n) ? seat(n)->name : nullptr;
}

QLabel *Seats::scoreLabel(int n) const
{
    return seat(n) ? seat(n)->score : nullptr;
}

QLabel *Seats::bonusLabel(int n) const
{
    return seat(n) ? seat(n)->bonus : nullptr;
}

QLabel *Seats::eyes(int n) const
{
    return seat(n) ? seat(n)->eyes : nullptr;
}

QString Seats::caption(int n) const
{
    return seat(n) ? seat(n)->name->text() : QString();
}

QStringList Seats::captions() const
{
    QStringList names;
    for (int n = 1; n <= Count; ++n)
        names.append(caption(n));
    return names;
}

void Seats::preparePopup(int n)
{
    const bool host = m_isHost && m_isHost();
    for (QAction *a : {m_remove, m_setWatch, m_unsetWatch})
        a->setEnabled(host);
    if (caption(n) == Waiting)
        m_remove->setEnabled(false);
    m_popupTarget = n;
}

void Seats::newplayerinfo(const QString &fields)
{
    proto::GroupReader r(fields);
    while (r.hasMore()) {
        const int number = r.nextInt();
        const QString name = r.next();
        const QString flag = r.next();

        if (number == m_session.ownNumber()) {
            Q_EMIT chatLine(QStringLiteral("0+You are Connected."));
            Q_EMIT chatLine(QStringLiteral("0+Click \"CTRL-i\" for Quick Instructions"));
            Q_EMIT ownArrival();
        } else {
            Q_EMIT chatLine(QStringLiteral("0+") + name + QStringLiteral(" is Connected."));
        }

        if (const Seat *s = seat(number)) {
            s->name->setText(name);
            s->name->show();
            s->score->show();
            if (flag == QLatin1String("1"))
                s->eyes->show();
        } else {
            if (m_spyList)
                m_spyList->addItem(QString::number(number) + QStringLiteral(": ") + name);
            if (number == m_session.ownNumber())
                Q_EMIT chatLine(QStringLiteral("0+You are spying."));
            else
                Q_EMIT chatLine(QStringLiteral("0+") + name + QStringLiteral(" is spying."));
        }
    }
    Q_EMIT soundRequested(QStringLiteral("entered"));
}

void Seats::playerdisconnected(const QString &fields)
{
    proto::FieldReader r(fields);
    const int number = r.nextInt();
    const QString name = r.rest();
    if (const Seat *s = seat(number)) {
        const QString shown = s->name->text();
        if (shown != Waiting)
            Q_EMIT chatLine(QStringLiteral("0+") + shown + QStringLiteral(" disconnected."));
        s->name->setText(Waiting);
        s->eyes->hide();
        return;
    }
    if (!m_spyList)
        return;
    const QString entry = QString::number(number) + QStringLiteral(": ") + name;
    const QList<QListWidgetItem *> found = m_spyList->findItems(entry, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (found.isEmpty())
        return;
    Q_EMIT chatLine(QStringLiteral("0+") + name + QStringLiteral(" has left."));
    delete m_spyList->takeItem(m_spyList->row(found.first()));
}

void Seats::justwatching(const QString &fields)
{
    proto::FieldReader r(fields);
    const int number = r.nextInt();
    const QString state = r.next();
    const Seat *s = seat(number);
    if (!s)
        return;
    const bool own = number == m_session.ownNumber();
    if (state == QLatin1String("1")) {
        if (own && m_justWatch)
            m_justWatch->setChecked(true);
        Q_EMIT chatLine(QStringLiteral("0+") + s->name->text() + QStringLiteral(" is just watching"));
        s->eyes->show();
    } else {
        if (own && m_justWatch)
            m_justWatch->setChecked(false);
        Q_EMIT chatLine(QStringLiteral("0+") + s->name->text() + QStringLiteral(" is now playing again"));
        s->eyes->hide();
    }
}

} // namespace vorlith::client
