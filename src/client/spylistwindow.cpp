#include "client/spylistwindow.h"

#include "ui/clicklabel.h"
#include "ui/theme.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>

namespace vorlith::client {

SpyListWindow::SpyListWindow(const QPixmap &background, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("spylist"));
    setWindowTitle(QStringLiteral("Vorlith - Spys"));
    setFixedSize(162, 168);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    ui::setBackground(this, background, ui::colors::Parchment);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("listbox_spys"));
    m_list->setGeometry(5, 5, 154, 130);
    m_list->setFont(ui::arial(11));
    m_list->setStyleSheet(
        QStringLiteral("QListWidget { background: #f7f7ee; } QListWidget::item { height: 13px; }"));
    m_list->setMouseTracking(true);
    m_list->viewport()->installEventFilter(this);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);

    auto *menu = new QMenu(this);
    m_kick = menu->addAction(QStringLiteral("Remove From Game"));
    m_kick->setObjectName(QStringLiteral("popup_kickhim"));
    m_kick->setEnabled(false);
    connect(m_kick, &QAction::triggered, this, &SpyListWindow::removeHovered);
    connect(m_list, &QWidget::customContextMenuRequested, this,
            [this, menu](const QPoint &pos) { menu->popup(m_list->viewport()->mapToGlobal(pos)); });

    auto *label = new QLabel(QStringLiteral("Spy List"), this);
    label->setFont(ui::arial(12, true));
    label->setStyleSheet(QStringLiteral("color: #1f4a6d;"));
    label->move(7, 142);

    auto *done = new QPushButton(QStringLiteral("Done"), this);
    done->setObjectName(QStringLiteral("button_done"));
    done->setGeometry(88, 140, 71, 20);
    connect(done, &QPushButton::clicked, this, &QDialog::hide);
}

QStringList SpyListWindow::entries() const
{
    QStringList texts;
    for (int i = 0; i < m_list->count(); ++i)
        texts.append(m_list->item(i)->text());
    return texts;
}

void SpyListWindow::observe(const Roster &roster)
{
    m_list->clear();
    for (const Roster::Spy &spy : roster.spies())
        addEntry(spy);
    connect(&roster, &Roster::spyAdded, this, &SpyListWindow::addEntry);
    connect(&roster, &Roster::spyRemoved, m_list, [this](int index) {
        if (index >= 0 && index < m_list->count())
            delete m_list->takeItem(index);
    });
}

bool SpyListWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_list->viewport() && event->type() == QEvent::MouseMove) {
        const auto *move = static_cast<QMouseEvent *>(event);
        const QModelIndex index = m_list->indexAt(move->position().toPoint());
        m_hovered = index.isValid() ? index.row() : -1;
    }
    return QDialog::eventFilter(watched, event);
}

void SpyListWindow::addEntry(const Roster::Spy &spy)
{
    auto *item = new QListWidgetItem(QString::number(spy.number) + QStringLiteral(": ") + spy.name);
    item->setData(Qt::UserRole, spy.number);
    m_list->addItem(item);
}

void SpyListWindow::removeHovered()
{
    if (m_hovered < 0 || m_hovered >= m_list->count())
        return;
    Q_EMIT kickRequested(m_list->item(m_hovered)->data(Qt::UserRole).toInt());
}

} // namespace vorlith::client
