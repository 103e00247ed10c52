#pragma once

#include <QObject>
#include <QWidget>

class QAbstractButton;
class QFrame;
class QLabel;
class QListWidget;

namespace vorlith::client {

class ResultsPanel;
class RoundFlow;

/// The clock (image_timer1 with the bar image_timer under the label
/// label_timer): the bar's width is the seconds left, never wider than its
/// frame.
class ClockView : public QWidget
{
    Q_OBJECT
public:
    explicit ClockView(QWidget *panel);
    void setClock(const QString &text, int barWidth);
    QLabel *label() const { return m_label; }
    QWidget *bar() const { return m_bar; }
    QWidget *frame() const { return m_frame; }

private:
    QWidget *m_frame{nullptr};
    QWidget *m_bar{nullptr};
    QLabel *m_label{nullptr};
};

/// The widgets of the round flow on the main window's board panel: round and
/// time labels, the clock, the status line, the word list with the Chat and
/// List buttons, the results panel and the winner banner. They show the
/// flow's view and hand the few clicks back to it.
class RoundRoom : public QObject
{
    Q_OBJECT
public:
    RoundRoom(QWidget *panel, RoundFlow &flow, QObject *parent = nullptr);

    /// The chat's widgets, which the Chat button brings to the front.
    void setChatWidgets(QList<QWidget *> widgets) { m_chat = std::move(widgets); }

    QLabel *roundLabel() const { return m_round; }
    QLabel *timeLabel() const { return m_time; }
    QLabel *statusLabel() const { return m_status; }
    ClockView *clock() const { return m_clock; }
    QFrame *wordListPanel() const { return m_wordPanel; }
    QListWidget *wordList() const { return m_wordList; }
    QAbstractButton *chatButton() const { return m_chatButton; }
    QAbstractButton *listButton() const { return m_listButton; }
    ResultsPanel *results() const { return m_results; }
    QFrame *winnerBanner() const { return m_winner; }
    QLabel *winnerLabel() const { return m_winnerFront; }

    enum class Page
    {
        Chat,
        WordList
    };
    /// Brings the chat or the own word list to the front.
    void showPage(Page page);

private:
    void showView();

    RoundFlow &m_flow;
    QList<QWidget *> m_chat;
    QLabel *m_round{nullptr};
    QLabel *m_time{nullptr};
    QLabel *m_status{nullptr};
    ClockView *m_clock{nullptr};
    QFrame *m_wordPanel{nullptr};
    QListWidget *m_wordList{nullptr};
    QAbstractButton *m_chatButton{nullptr};
    QAbstractButton *m_listButton{nullptr};
    ResultsPanel *m_results{nullptr};
    QFrame *m_winner{nullptr};
    QLabel *m_winnerFront{nullptr};
    QLabel *m_winnerShadow{nullptr};
};

} // namespace vorlith::client
