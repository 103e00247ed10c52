#pragma once

#include <QDialog>

namespace vorlith::app {

/// The offer, shown at a solo start, to fetch the lobby program, play solo,
/// or hand over to an installed lobby program.
class Tdownload : public QDialog
{
    Q_OBJECT
public:
    explicit Tdownload(QWidget *parent = nullptr);
};

} // namespace vorlith::app
