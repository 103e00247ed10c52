#pragma once

#include <QDialog>

class QLabel;
class QStackedWidget;

namespace vorlith::ui {

/// The help window: one text page per side button, the first (Overview) in
/// front at creation.
class Thelp : public QDialog
{
    Q_OBJECT
public:
    Thelp(const QPixmap &background, QWidget *aboutWindow, QWidget *parent = nullptr);

    /// Brings page \a index to the front and shows its caption as the title.
    void showPage(int index);
    int pageCount() const;
    QString pageTitle() const;
    int currentPage() const;
    QLabel *yearLabel() const { return m_year; }

private:
    QStackedWidget *m_pages{nullptr};
    QLabel *m_title{nullptr};
    QLabel *m_year{nullptr};
    QStringList m_captions;
};

} // namespace vorlith::ui
