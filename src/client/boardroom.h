#pragma once

#include <QObject>

class QCheckBox;
class QLabel;
class QWidget;

namespace vorlith::ui {
class ImageButton;
}

namespace vorlith::client {

class BoardModel;
class BoardView;

/// The board's widgets on the main window's board panel: the blue board
/// panel with its drawing surface, the CLEAR, SHUFFLE and SUBMIT buttons,
/// the word line and the Typing ON check box. They show the model and hand
/// input to it.
class BoardRoom : public QObject
{
    Q_OBJECT
public:
    BoardRoom(QWidget *panel, BoardModel &model, QObject *parent = nullptr);

    BoardView *board() const { return m_view; }
    QWidget *boardPanel() const { return m_frame; }
    QLabel *wordLine() const { return m_word; }
    QCheckBox *typingBox() const { return m_typing; }
    ui::ImageButton *clearButton() const { return m_clear; }
    ui::ImageButton *shuffleButton() const { return m_shuffle; }
    ui::ImageButton *enterButton() const { return m_enter; }

    /// Shows or hides CLEAR, SHUFFLE and SUBMIT together.
    void setControlsShown(bool shown);

private:
    QWidget *m_frame{nullptr};
    BoardView *m_view{nullptr};
    QLabel *m_word{nullptr};
    QCheckBox *m_typing{nullptr};
    ui::ImageButton *m_clear{nullptr};
    ui::ImageButton *m_shuffle{nullptr};
    ui::ImageButton *m_enter{nullptr};
};

} // namespace vorlith::client
