#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QCursor>
#include <QFont>
#include <QFontMetrics>
#include <QList>
#include <QPixmap>
#include <QRect>
#include <QString>

#include <array>
#include <vector>

namespace vorlith::chat {

/// The scrolling, read-only view of the chat (`mainchat`).
///
/// The content is a sequence of items in document order: text items drawn in
/// one of 15 styles, and images taken from an image list by index. An item may
/// start a new line; otherwise it continues the current one. Colour and face
/// belong to the style, so re-colouring a style re-colours every item drawn in
/// it. Text items in a link style show the link cursor and report a single
/// click through linkClicked().
///
/// Items added are shown once format() has laid them out. The layout of each
/// line is kept, so format() only lays out the lines that are new or changed;
/// everything is laid out again only when the width, the image list or the
/// font of a style used by a line changes. Adding a line therefore costs the
/// same however long the history is.
///
/// The vertical scroll position counts in units of 10 pixels.
class ChatView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    static constexpr int kStyleCount = 15;
    static constexpr int kLinkStyle = 4;
    static constexpr int kScrollUnit = 10;
    static constexpr int kMargin = 5;
    static constexpr int kDefaultPointSize = 10;
    /// Size of a smiley image, and of the blank image shown when none is set.
    static constexpr QSize kImageSize{17, 16};

    struct Style
    {
        QString fontName{QStringLiteral("Arial")};
        int pointSize{kDefaultPointSize};
        QColor color{Qt::black};
        bool bold{false};
        bool italic{false};
        bool underline{false};
        /// Items in this style are links.
        bool link{false};
    };

    enum class ItemKind
    {
        Text,
        Image
    };

    struct Item
    {
        ItemKind kind{ItemKind::Text};
        int style{0};
        QString text;
        int image{-1};
        bool startsLine{false};
    };

    /// A piece of an item as laid out: characters [start, start + length) of
    /// the item (an image is one character), at \a rect in document pixels.
    struct Piece
    {
        int item{0};
        int start{0};
        int length{0};
        QRect rect;
    };

    /// A place in the content: before character \a offset of item \a item.
    struct Position
    {
        int item{0};
        int offset{0};
        friend bool operator==(const Position &, const Position &) = default;
    };

    explicit ChatView(QWidget *parent = nullptr);
    ~ChatView() override;

    // --- Styles --------------------------------------------------------------

    const Style &style(int index) const;
    /// Re-colours every item of the style at the next repaint.
    void setStyleColor(int index, const QColor &color);
    /// A face change takes effect at the next format().
    void setStyleFace(int index, bool bold, bool italic, bool underline);
    /// A size change takes effect at the next format().
    void setStyleSize(int index, int points);
    void setAllStyleSizes(int points);

    // --- Resources -----------------------------------------------------------

    /// The image list for image items; a missing index draws a blank image.
    void setImages(const QList<QPixmap> &images);
    /// The cursor shown over link items (a pointing hand until set).
    void setLinkCursor(const QCursor &cursor);
    QCursor linkCursor() const { return m_linkCursor; }
    QColor backgroundColor() const;

    // --- Content -------------------------------------------------------------

    /// The next item added starts a new line.
    void beginLine();
    void addText(const QString &text, int style, bool newLine = false);
    /// A text item in the link style.
    void addLink(const QString &text, bool newLine = false);
    void addImage(int index, bool newLine = false);
    /// Removes every item; the view shows nothing until content is formatted.
    void clear();

    int itemCount() const { return int(m_items.size()); }
    const Item &item(int index) const { return m_items.at(std::size_t(index)); }
    int lineCount() const { return int(m_lines.size()); }

    // --- Layout and scrolling -----------------------------------------------

    /// Lays out whatever changed since the last layout, puts the vertical
    /// scroll position at the top and repaints.
    void format();
    /// Height of the laid-out content in pixels, margins included.
    int documentHeight() const { return m_documentHeight; }
    /// Vertical scroll position in units of kScrollUnit pixels.
    int vScrollPos() const;
    /// Sets the vertical scroll position; values outside the range are held
    /// to it.
    void setVScrollPos(int units);
    int vScrollMax() const;
    void scrollToEnd();
    /// The rows of line \a line as last laid out (empty when not laid out).
    QList<QList<Piece>> rowsOfLine(int line) const;
    /// The item of a link under \a viewportPoint, or -1.
    int linkAt(const QPoint &viewportPoint) const;
    /// The content position nearest to \a viewportPoint.
    Position positionAt(const QPoint &viewportPoint) const;

    // --- Selection -----------------------------------------------------------

    void selectAll();
    void deselect();
    void setSelection(Position anchor, Position caret);
    bool hasSelection() const { return !(m_anchor == m_caret); }
    /// The selected content as plain text, lines separated by "\n".
    QString selectedText() const;
    /// Copies the selection to the clipboard as plain text; nothing happens
    /// without a selection.
    void copy() const;

Q_SIGNALS:
    /// A single click on link item \a item, whose text is \a text.
    void linkClicked(int item, const QString &text);
    void selectionChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    struct Fragment
    {
        int item{0};
        int start{0};
        int length{0};
        int x{0};
        int width{0};
        int ascent{0};
        int descent{0};
    };
    struct Row
    {
        int y{0};
        int height{0};
        int baseline{0};
        int first{0};
        int count{0};
    };
    struct Line
    {
        int firstItem{0};
        int itemCount{0};
        quint16 styles{0};
        bool dirty{true};
        int top{0};
        int height{0};
        std::vector<Row> rows;
        std::vector<Fragment> fragments;
    };
    struct LayoutFont
    {
        QFont font;
        QFontMetrics metrics{QFont()};
    };

    bool validStyle(int index) const;
    void addItem(Item item);
    void markDirty(int line);
    void noteFontChange(int style);
    void ensureLayout();
    void layoutLine(Line &line);
    void updateScrollRange();
    QSize imageSize(int index) const;
    QPixmap imageFor(int index) const;
    int lineAtY(int docY) const;
    int yOffset() const;
    QRect pieceRect(const Line &line, const Row &row, const Fragment &fragment) const;
    int itemLength(int item) const;
    std::pair<Position, Position> orderedSelection() const;
    void updateCursor(const QPoint &viewportPoint);

    std::array<Style, kStyleCount> m_styles;
    std::array<LayoutFont, kStyleCount> m_layoutFonts;
    quint16 m_changedFonts{0};

    QList<QPixmap> m_images;
    bool m_imagesChanged{false};
    QCursor m_linkCursor{Qt::PointingHandCursor};

    std::vector<Item> m_items;
    std::vector<Line> m_lines;
    bool m_nextStartsLine{false};
    // Lines [0, m_laidOutLines) have a layout and a top; lines from
    // m_firstDirty on need laying out again.
    int m_laidOutLines{0};
    int m_firstDirty{0};
    int m_layoutWidth{-1};
    int m_documentHeight{2 * kMargin};

    Position m_anchor;
    Position m_caret;
    bool m_selecting{false};
    int m_pressedLink{-1};
    QPoint m_pressPoint;
};

} // namespace vorlith::chat
