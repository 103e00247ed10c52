#pragma once

#include <QFrame>

namespace vorlith::client {

/// The quick instructions panel shown over the board (Ctrl+I).
class QuickHelp : public QFrame
{
    Q_OBJECT
public:
    explicit QuickHelp(QWidget *panel);
    /// Shows the panel in front of the board.
    void showInFront();
};

} // namespace vorlith::client
