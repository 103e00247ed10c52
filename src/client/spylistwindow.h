#pragma once

#include "client/roster.h"

#include <QDialog>

class QAction;
class QListWidget;

namespace vorlith::client {

/// The Spy List window: one entry "number: name" per spy.
class SpyListWindow : public QDialog
{
    Q_OBJECT
public:
    explicit SpyListWindow(const QPixmap &background, QWidget *parent = nullptr);

    QListWidget *listbox_spys() const { return m_list; }
    /// "Remove From Game" in the list's context menu; enabled for the host.
    QAction *popup_kickhim() const { return m_kick; }
    /// Index of the entry last under the mouse pointer, -1 for none.
    int hoveredIndex() const { return m_hovered; }
    void setHoveredIndex(int index) { m_hovered = index; }

    QStringList entries() const;
    /// Lists the roster's spies from now on.
    void observe(const Roster &roster);

Q_SIGNALS:
    /// Remove From Game for the participant with this number.
    void kickRequested(int number);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void addEntry(const Roster::Spy &spy);
    /// Remove From Game for the entry under the pointer.
    void removeHovered();

    QListWidget *m_list{nullptr};
    QAction *m_kick{nullptr};
    int m_hovered{-1};
};

} // namespace vorlith::client
