#include "ui/clicklabel.h"

#include "ui/theme.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace vorlith::ui {

ClickLabel::ClickLabel(QWidget *parent) : QLabel(parent) {}

void ClickLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (rect().contains(event->position().toPoint())) {
        if (event->button() == Qt::LeftButton)
            Q_EMIT clicked();
        else if (event->button() == Qt::RightButton)
            Q_EMIT rightClicked();
    }
    QLabel::mouseReleaseEvent(event);
}

ImageButton::ImageButton(const QString &caption, const QString &pictureName, QWidget *parent)
    : QAbstractButton(parent), m_caption(caption), m_picture(ui::picture(pictureName))
{
    if (pictureName.endsWith(QLatin1String(".png"))) {
        m_hot = ui::picture(pictureName.chopped(4) + QStringLiteral("_hot.png"));
        m_down = ui::picture(pictureName.chopped(4) + QStringLiteral("_down.png"));
    }
    setText(caption);
    setAccessibleName(caption);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    setFixedSize(m_picture.isNull() ? QSize(102, 28) : m_picture.size());
}

void ImageButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool hover = underMouse();
    const bool down = isDown();
    if (!m_picture.isNull()) {
        const QPixmap &face = down && !m_down.isNull() ? m_down : hover && !m_hot.isNull() ? m_hot : m_picture;
        p.drawPixmap(rect(), face);
    } else {
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
        QLinearGradient g(0, 0, 0, height());
        g.setColorAt(0, hover ? QColor(255, 200, 90) : QColor(245, 180, 70));
        g.setColorAt(1, hover ? QColor(220, 140, 40) : QColor(200, 120, 30));
        p.fillPath(path, g);
        p.setPen(QColor(120, 70, 10));
        p.drawPath(path);
        p.setPen(QColor(40, 25, 5));
        p.setFont(arial(13, true));
        p.drawText(rect(), Qt::AlignCenter, m_caption);
    }
    if (hasFocus()) {
        // A keyboard player needs to see where Space will act.
        p.setPen(QPen(QColor(255, 255, 255, 220), 1.5, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(2, 2, -2, -2), 5, 5);
    }
}

void ImageButton::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        animateClick();
        event->accept();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void ImageButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton && rect().contains(event->position().toPoint()))
        Q_EMIT rightClicked();
    QAbstractButton::mouseReleaseEvent(event);
}

} // namespace vorlith::ui
