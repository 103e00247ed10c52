#pragma once

#include <QDialog>

class QLabel;

namespace vorlith::ui {

/// The About window: version, year, and the way to the maker's web site.
class AboutDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AboutDialog(const QPixmap &background, QWidget *parent = nullptr);

    QLabel *yearLabel() const { return m_year; }
    QLabel *versionLabel() const { return m_version; }

private:
    QLabel *m_year{nullptr};
    QLabel *m_version{nullptr};
};

} // namespace vorlith::ui
