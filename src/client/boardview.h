#pragma once

#include <QHash>
#include <QPixmap>
#include <QWidget>

namespace vorlith::client {

class BoardModel;

/// The board's drawing surface (paintbox_board): paints the 36 cells of the
/// model and hands mouse releases to it. Screen readers read it as a list of
/// six rows of letters, with the word under construction as its description.
class BoardView : public QWidget
{
    Q_OBJECT
public:
    static constexpr QSize SurfaceSize{392, 392};

    BoardView(BoardModel &model, QWidget *parent = nullptr);

    BoardModel &model() const { return m_model; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void modelChanged();
    /// The tile picture of \a index at the painter's pixel ratio, drawn once.
    const QPixmap &tile(int index, qreal ratio);

    BoardModel &m_model;
    QHash<quint64, QPixmap> m_tiles;
};

} // namespace vorlith::client
