#pragma once

#include <QLabel>

namespace vorlith::ui {

/// A label that reacts to a click (links, logos, image buttons).
class ClickLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ClickLabel(QWidget *parent = nullptr);

Q_SIGNALS:
    void clicked();
    void rightClicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

/// A flat push button painted from a picture when one is given, otherwise
/// a rounded caption; used for the windows' image buttons.
class ImageButton : public ClickLabel
{
    Q_OBJECT
public:
    ImageButton(const QString &caption, const QString &pictureName, QWidget *parent = nullptr);
    QString caption() const { return m_caption; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QString m_caption;
    QPixmap m_picture;
    QPixmap m_hot;
    bool m_hover{false};
};

} // namespace vorlith::ui
