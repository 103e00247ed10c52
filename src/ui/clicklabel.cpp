#include "ui/clicklabel.h"

#include "ui/theme.h"

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
    : ClickLabel(parent), m_caption(caption), m_picture(ui::picture(pictureName))
{
    if (pictureName.endsWith(QLatin1String(".png")))
        m_hot = ui::picture(pictureName.chopped(4) + QStringLiteral("_hot.png"));
    setCursor(Qt::PointingHandCursor);
    setFixedSize(m_picture.isNull() ? QSize(102, 28) : m_picture.size());
    setToolTip(QString());
}

void ImageButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!m_picture.isNull()) {
        p.drawPixmap(rect(), m_hover && !m_hot.isNull() ? m_hot : m_picture);
        return;
    }
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, m_hover ? QColor(255, 200, 90) : QColor(245, 180, 70));
    g.setColorAt(1, m_hover ? QColor(220, 140, 40) : QColor(200, 120, 30));
    p.fillPath(path, g);
    p.setPen(QColor(120, 70, 10));
    p.drawPath(path);
    p.setPen(QColor(40, 25, 5));
    p.setFont(arial(13, true));
    p.drawText(rect(), Qt::AlignCenter, m_caption);
}

void ImageButton::enterEvent(QEnterEvent *event)
{
    m_hover = true;
    update();
    ClickLabel::enterEvent(event);
}

void ImageButton::leaveEvent(QEvent *event)
{
    m_hover = false;
    update();
    ClickLabel::leaveEvent(event);
}

} // namespace vorlith::ui
