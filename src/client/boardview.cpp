#include "client/boardview.h"

#include "client/boardmodel.h"
#include "ui/tileart.h"
#include "ui/theme.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QtMath>

#include <array>

namespace vorlith::client {

namespace {

class BoardAccessible;

/// One row of the board as a screen reader reads it ("Row 1: C, A, T, ...").
class RowAccessible : public QAccessibleInterface
{
public:
    RowAccessible(BoardAccessible *board, int row) : m_board(board), m_row(row) {}

    bool isValid() const override { return true; }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override;
    QAccessibleInterface *parent() const override;
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *focusChild() const override { return nullptr; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.readOnly = true;
        return s;
    }

private:
    BoardAccessible *m_board;
    int m_row;
};

/// The board itself: a list of six rows; its description is the word under
/// construction.
class BoardAccessible : public QAccessibleWidget
{
public:
    explicit BoardAccessible(BoardView *view) : QAccessibleWidget(view, QAccessible::List)
    {
        for (int r = 0; r < BoardModel::Size; ++r) {
            m_rows[static_cast<size_t>(r)] = new RowAccessible(this, r + 1);
            m_ids[static_cast<size_t>(r)] = QAccessible::registerAccessibleInterface(m_rows[static_cast<size_t>(r)]);
        }
    }
    ~BoardAccessible() override
    {
        for (QAccessible::Id id : m_ids)
            QAccessible::deleteAccessibleInterface(id);
    }

    BoardView *view() const { return static_cast<BoardView *>(widget()); }

    int childCount() const override { return BoardModel::Size; }
    QAccessibleInterface *child(int index) const override
    {
        return index >= 0 && index < BoardModel::Size ? m_rows[static_cast<size_t>(index)] : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        for (int r = 0; r < BoardModel::Size; ++r) {
            if (m_rows[static_cast<size_t>(r)] == child)
                return r;
        }
        return -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        for (RowAccessible *row : m_rows) {
            if (row->rect().contains(x, y))
                return row;
        }
        return nullptr;
    }
    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name:
            return QStringLiteral("Letter board");
        case QAccessible::Description: {
            const QString word = view()->model().word();
            return word.isEmpty() ? QStringLiteral("No word under construction")
                                  : QStringLiteral("Word under construction: ") + word;
        }
        default:
            return QAccessibleWidget::text(t);
        }
    }
    RowAccessible *row(int index) const { return m_rows[static_cast<size_t>(index)]; }

private:
    std::array<RowAccessible *, BoardModel::Size> m_rows{};
    std::array<QAccessible::Id, BoardModel::Size> m_ids{};
};

QWindow *RowAccessible::window() const
{
    return m_board->window();
}

QAccessibleInterface *RowAccessible::parent() const
{
    return m_board;
}

QString RowAccessible::text(QAccessible::Text t) const
{
    if (t != QAccessible::Name)
        return {};
    return m_board->view()->model().rowText(m_row);
}

QRect RowAccessible::rect() const
{
    const BoardView *v = m_board->view();
    const QPoint topLeft = v->mapToGlobal(QPoint(0, (m_row - 1) * BoardModel::CellPixels));
    return QRect(topLeft, QSize(BoardModel::Size * BoardModel::CellPixels, BoardModel::CellPixels));
}

QAccessibleInterface *boardFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("vorlith::client::BoardView") && object && object->isWidgetType())
        return new BoardAccessible(static_cast<BoardView *>(object));
    return nullptr;
}

} // namespace

BoardView::BoardView(BoardModel &model, QWidget *parent) : QWidget(parent), m_model(model)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(boardFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);

    setObjectName(QStringLiteral("paintbox_board"));
    setFixedSize(SurfaceSize);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // With a screen reader already listening, the widget's construction has
    // announced it as a plain widget; that interface is dropped so that the
    // board's own (its rows and word) takes its place.
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(this);
    if (iface && !dynamic_cast<BoardAccessible *>(iface))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));

    connect(&m_model, &BoardModel::boardChanged, this, &BoardView::modelChanged);
    connect(&m_model, &BoardModel::wordChanged, this, [this] {
        if (QAccessible::isActive()) {
            QAccessibleEvent event(this, QAccessible::DescriptionChanged);
            QAccessible::updateAccessibility(&event);
        }
    });
}

void BoardView::modelChanged()
{
    update();
    if (!QAccessible::isActive())
        return;
    auto *board = dynamic_cast<BoardAccessible *>(QAccessible::queryAccessibleInterface(this));
    if (!board)
        return;
    for (int r = 0; r < BoardModel::Size; ++r) {
        QAccessibleEvent event(board->row(r), QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

const QPixmap &BoardView::tile(int index, qreal ratio)
{
    const quint64 key = (quint64(qRound(ratio * 100)) << 8) | quint64(index);
    auto it = m_tiles.find(key);
    if (it != m_tiles.end())
        return *it;
    const int side = qCeil(BoardModel::CellPixels * ratio);
    QPixmap pixmap(side, side);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    ui::tiles::paint(p, QRectF(0, 0, BoardModel::CellPixels, BoardModel::CellPixels), index);
    p.end();
    return *m_tiles.insert(key, pixmap);
}

void BoardView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), ui::colors::BoardBlue);
    const qreal ratio = devicePixelRatioF();
    for (int column = 1; column <= BoardModel::Size; ++column) {
        for (int row = 1; row <= BoardModel::Size; ++row) {
            const QPoint at((column - 1) * BoardModel::CellPixels, (row - 1) * BoardModel::CellPixels);
            const int letter = m_model.letter(column, row);
            // 29 is no tile: the panel's colour shows.
            if (letter != BoardModel::NoTile)
                p.drawPixmap(at, tile(letter, ratio));
            if (m_model.mark(column, row) != 0)
                p.drawPixmap(at, tile(m_model.mark(column, row), ratio));
        }
    }
}

void BoardView::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    m_model.chooseCell(event->button() == Qt::RightButton, at.x(), at.y());
    event->accept();
}

} // namespace vorlith::client
