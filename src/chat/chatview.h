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
#include <deque>
#include <memory>
#include <vector>

namespace vorlith::chat {

/// The scrolling, read-only view of the chat (`mainchat`).
///
/// The content is a sequence of items in document order: text items drawn in
/// one of 15 styles, and images taken from an image list by index. An item may
/// start a new line; otherwise it continues the current one. Colour and face
/// belong to the style, so re-colouring a style re-colours every item drawn in
/// it. Text items in a link style show the link cursor and report a single
/// click through linkClicked(). Text is only ever drawn as text: nothing in it
/// is read as markup.
///
/// Items added are shown once format() has laid them out. Each line keeps its
/// height, so format() only lays out the lines that are new or changed;
/// everything is laid out again only when the width, the image list or the
/// font of a style used by a line changes. Laying out a line takes time in
/// proportion to its length, however it is made (a word wider than the view
/// is broken across rows), so adding a line costs the same however long the
/// history is.
///
/// A line is stored as its text and the places where its style changes, so it
/// takes memory in proportion to its length rather than to its number of
/// items; the rows and pieces of a layout are only kept for the lines last
/// shown. The view keeps the last kMaxLines lines: when a line is started
/// beyond them the oldest goes, as in a terminal's scroll-back, and the item
/// numbers move down with it.
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
    /// Lines kept; the oldest go first.
    static constexpr int kMaxLines = 5000;
    /// Characters (an image counts as one) kept of one line; items that would
    /// pass it are dropped. Far more than any message can carry.
    static constexpr int kMaxLineLength = 1 << 20;
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
        /// The image list index, -1 for none (or one outside 0..254).
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

    int itemCount() const { return int(m_nextItem - m_firstItem); }
    /// Item \a index (0 is the oldest kept); an index outside gives an empty item.
    Item item(int index) const;
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
    bool hasSelection() const { return !(m_selAnchor == m_selCaret); }
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
    /// One line of items. Its text holds every item's characters in order, an
    /// image as one mark character; runs say where the style changes. A run
    /// of "words" holds many items: each ends after its one space, and each
    /// image is an item of its own; any other run is a single item.
    struct Line
    {
        QByteArray narrow; ///< the text while every character is single-byte
        QString wide;      ///< the text once one is not
        bool isWide{false};
        std::vector<quint32> runs; ///< start | style << 26 | words << 30
        QByteArray images;         ///< the image index of each mark, in order
        qint64 firstItem{0};       ///< number of the line's first item, counted since the last clear
        int items{0};
        quint16 styles{0}; ///< text styles used, for font changes
        bool dirty{true};
        qint64 top{0}; ///< in pixels, counted like firstItem
        int height{0};
        quint64 serial{0};
    };
    /// An item of a line: characters [start, start + length) of its text.
    struct Span
    {
        int index{0}; ///< within the line
        int start{0};
        int length{0};
        int style{0};
        bool image{false};
        int imageIndex{-1};
    };
    struct Fragment
    {
        int item{0};      ///< within the line
        int itemStart{0}; ///< where the item starts in the line's text
        int start{0};     ///< where the fragment starts in the line's text
        int length{0};
        int x{0};
        int width{0};
        int ascent{0};
        int descent{0};
        int image{-2}; ///< -2 for text, else the image index (-1 blank)
        int style{0};
    };
    struct Row
    {
        int y{0};
        int height{0};
        int baseline{0};
        int first{0};
        int count{0};
    };
    struct Layout
    {
        std::vector<Row> rows;
        std::vector<Fragment> fragments;
        int height{0};
    };
    struct CachedLayout
    {
        quint64 serial{0};
        quint64 lastUse{0};
        Layout layout;
    };
    struct LayoutFont
    {
        QFont font;
        QFontMetrics metrics{QFont()};
        /// Advance of each single-byte character, filled on first use: lines
        /// of such text are measured by adding these up.
        mutable std::array<qreal, 256> advances{};
        mutable bool advancesReady{false};
        const std::array<qreal, 256> &singleByteAdvances() const;
    };
    /// Measures the text of one line in one style.
    class Measure;
    /// A place in the content as line and character of its text.
    struct TextPos
    {
        int line{0};
        int pos{0};
    };

    bool validStyle(int index) const;
    void appendItem(ItemKind kind, int style, const QString &text, int image, bool newLine);
    void startLine();
    void dropOldestLine();
    void markDirty(int line);
    void noteFontChange(int style);
    void ensureLayout();
    Layout layoutLine(const Line &line, bool keepPieces) const;
    const Layout &layoutOf(int line) const;
    const Layout &keepLayout(quint64 serial, Layout layout) const;
    void forgetLayouts() const;
    void updateScrollRange();
    QSize imageSize(int index) const;
    QPixmap imageFor(int index) const;
    int lineAtY(int docY) const;
    int lineTop(const Line &line) const;
    int lineOfItem(qint64 item) const;
    int yOffset() const;
    QRect pieceRect(const Line &line, const Row &row, const Fragment &fragment) const;
    /// A selection end: an item numbered like Line::firstItem, so that
    /// dropping old lines leaves it on the same content.
    struct Anchor
    {
        qint64 item{0};
        int offset{0};
        friend bool operator==(const Anchor &, const Anchor &) = default;
    };
    TextPos textPos(const Anchor &a) const;
    std::pair<Anchor, Anchor> orderedSelection() const;
    void updateCursor(const QPoint &viewportPoint);

    static QString textOf(const Line &line);
    static int lengthOf(const Line &line);
    /// Calls \a f with each item of \a line in order until it returns false.
    template<typename F>
    static void forEachItem(const Line &line, F f);
    /// Calls \a f(start, end, style, words) with each run of \a line in order.
    template<typename F>
    static void forEachRun(const Line &line, F f);
    static Item itemOf(const Line &line, const Span &span);

    std::array<Style, kStyleCount> m_styles;
    std::array<LayoutFont, kStyleCount> m_layoutFonts;
    quint16 m_changedFonts{0};

    QList<QPixmap> m_images;
    bool m_imagesChanged{false};
    QCursor m_linkCursor{Qt::PointingHandCursor};

    std::deque<Line> m_lines;
    qint64 m_firstItem{0};
    qint64 m_nextItem{0};
    quint64 m_nextSerial{1};
    bool m_nextStartsLine{false};
    // Lines [0, m_laidOutLines) have a height and a top; lines from
    // m_firstDirty on need laying out again.
    int m_laidOutLines{0};
    int m_firstDirty{0};
    int m_layoutWidth{-1};
    int m_documentHeight{2 * kMargin};
    mutable std::vector<std::unique_ptr<CachedLayout>> m_cache;
    mutable quint64 m_cacheClock{0};

    Anchor m_selAnchor;
    Anchor m_selCaret;
    bool m_selecting{false};
    qint64 m_pressedLink{-1};
    QPoint m_pressPoint;
};

} // namespace vorlith::chat
