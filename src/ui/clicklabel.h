#pragma once

#include <QAbstractButton>
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
/// a rounded caption; used for the windows' image buttons. It is a real
/// button: it takes the keyboard focus, Space, Enter and Return press it, and
/// screen readers announce it by its caption (or its accessible name).
class ImageButton : public QAbstractButton
{
    Q_OBJECT
public:
    ImageButton(const QString &caption, const QString &pictureName, QWidget *parent = nullptr);
    QString caption() const { return m_caption; }

Q_SIGNALS:
    /// The right mouse button was released over the button.
    void rightClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QString m_caption;
    QPixmap m_picture;
    QPixmap m_hot;
    QPixmap m_down;
};

} // namespace vorlith::ui
