#pragma once

#include <QDialog>

#include <vector>

class QLabel;
class QStackedWidget;
class QTextBrowser;

namespace vorlith::ui {

/// The help window: one text page per side button, the first (Overview) in
/// front at creation. A page's text is laid out when it is first seen.
class HelpWindow : public QDialog
{
    Q_OBJECT
public:
    HelpWindow(const QPixmap &background, QWidget *aboutWindow, QWidget *parent = nullptr);

    /// Brings page \a index to the front and shows its caption as the title.
    void showPage(int index);
    int pageCount() const;
    QString pageTitle() const;
    int currentPage() const;
    QLabel *yearLabel() const { return m_year; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    QTextBrowser *pageText(int index);

    QStackedWidget *m_pages{nullptr};
    QLabel *m_title{nullptr};
    QLabel *m_year{nullptr};
    QStringList m_captions;
    std::vector<QTextBrowser *> m_texts; // made on first sight, owned by m_pages
    int m_current{0};
};

} // namespace vorlith::ui
