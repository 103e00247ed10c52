#include "ui/tileart.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace vorlith::ui::tiles {

namespace {

const QColor LetterBlue(27, 86, 160);
const QColor TileTop(252, 246, 223);
const QColor TileBottom(234, 220, 172);
const QColor Red(200, 36, 36);

QColor withAlpha(QColor c, int alpha)
{
    c.setAlpha(alpha);
    return c;
}

QFont letterFont(qreal pixelSize)
{
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(qMax(1, qRound(pixelSize)));
    f.setBold(true);
    f.setStyleStrategy(QFont::PreferAntialias);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

// Centred on the advance horizontally and on the cap height vertically, so the
// letter sits optically in the middle of the tile.
QPainterPath centredText(const QString &text, const QFont &f, QPointF centre)
{
    QPainterPath path;
    path.addText(0, 0, f, text);
    const QRectF box = path.boundingRect();
    path.translate(centre.x() - box.center().x(), centre.y() - box.center().y());
    return path;
}

QRectF bodyOf(const QRectF &square)
{
    const qreal s = square.width();
    const qreal inset = s * 0.035;
    return square.adjusted(inset, inset, -inset - s * 0.02, -inset - s * 0.03);
}

} // namespace

void paintBody(QPainter &p, const QRectF &square)
{
    const qreal s = square.width();
    const QRectF body = bodyOf(square);
    const qreal radius = s * 0.12;

    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(withAlpha(QColor(8, 24, 40), 80));
    p.drawRoundedRect(body.translated(s * 0.015, s * 0.03), radius, radius);
    p.setBrush(withAlpha(QColor(8, 24, 40), 50));
    p.drawRoundedRect(body.translated(s * 0.03, s * 0.05).adjusted(-0.5, -0.5, 0.5, 0.5), radius, radius);

    QLinearGradient g(body.topLeft(), body.bottomRight());
    g.setColorAt(0.0, TileTop);
    g.setColorAt(0.55, QColor(246, 236, 201));
    g.setColorAt(1.0, TileBottom);
    p.setBrush(g);
    p.setPen(QPen(QColor(170, 146, 92), qMax(1.0, s / 60.0)));
    p.drawRoundedRect(body, radius, radius);

    // Light along the top and left, shade along the bottom and right.
    const QRectF inner = body.adjusted(s * 0.035, s * 0.035, -s * 0.035, -s * 0.035);
    QLinearGradient bevel(inner.topLeft(), inner.bottomRight());
    bevel.setColorAt(0.0, withAlpha(Qt::white, 200));
    bevel.setColorAt(0.5, withAlpha(Qt::white, 0));
    bevel.setColorAt(0.51, withAlpha(QColor(150, 120, 60), 0));
    bevel.setColorAt(1.0, withAlpha(QColor(150, 120, 60), 110));
    // Filled as a ring rather than stroked with a gradient pen, which the
    // SVG writer of the art tool cannot express.
    QPainterPath edge;
    edge.addRoundedRect(inner, radius * 0.7, radius * 0.7);
    QPainterPathStroker stroker;
    stroker.setWidth(qMax(1.0, s * 0.03));
    p.fillPath(stroker.createStroke(edge), QBrush(bevel));
    p.restore();
}

void paintLetter(QPainter &p, const QRectF &square, const QString &letter)
{
    const qreal s = square.width();
    const QPointF centre = square.center() + QPointF(-s * 0.01, -s * 0.01);
    const QPainterPath path = centredText(letter, letterFont(s * 0.62), centre);
    p.save();
    p.setPen(Qt::NoPen);
    // Engraved: a light edge below, then the letter with a slight gradient.
    p.setBrush(withAlpha(Qt::white, 190));
    p.drawPath(path.translated(0, s * 0.02));
    QLinearGradient g(square.topLeft(), square.bottomLeft());
    g.setColorAt(0.2, LetterBlue.lighter(118));
    g.setColorAt(0.8, LetterBlue.darker(115));
    p.setBrush(g);
    p.drawPath(path);
    p.restore();
}

void paintCross(QPainter &p, const QRectF &square)
{
    const qreal s = square.width();
    const QRectF body = bodyOf(square);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(withAlpha(QColor(40, 48, 60), 55));
    p.drawRoundedRect(body, s * 0.12, s * 0.12);
    const qreal a = s * 0.24;
    const qreal b = s * 0.74;
    QPainterPath cross;
    cross.moveTo(a, a);
    cross.lineTo(b, b);
    cross.moveTo(b, a);
    cross.lineTo(a, b);
    cross.translate(square.topLeft());
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(withAlpha(QColor(90, 0, 0), 90), s * 0.15, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(cross.translated(s * 0.01, s * 0.025));
    p.setPen(QPen(withAlpha(Red, 215), s * 0.1, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(cross);
    p.setPen(QPen(withAlpha(QColor(255, 150, 140), 120), s * 0.025, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(cross.translated(-s * 0.012, -s * 0.018));
    p.restore();
}

void paint(QPainter &p, const QRectF &square, int index)
{
    if (index == Cross) {
        paintCross(p, square);
        return;
    }
    if (index < Blank || index > 26)
        return;
    paintBody(p, square);
    if (index >= 1)
        paintLetter(p, square, QString(QChar(u'A' + (index - 1))));
}

} // namespace vorlith::ui::tiles
