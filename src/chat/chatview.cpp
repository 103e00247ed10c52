#include "chat/chatview.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

Q_LOGGING_CATEGORY(lcChatView, "vorlith.chat.view")

namespace vorlith::chat {

namespace {

// The view's background, $00EEF7F7.
constexpr QRgb kBackground = qRgb(0xF7, 0xF7, 0xEE);

QFont fontOf(const ChatView::Style &style)
{
    QFont font(style.fontName);
    font.setPointSize(std::max(1, style.pointSize));
    font.setBold(style.bold);
    font.setItalic(style.italic);
    font.setUnderline(style.underline);
    return font;
}

// Never split a surrogate pair: move a break back before a high surrogate.
int keepPairs(QStringView text, int n)
{
    if (n > 0 && n < text.size() && text[n - 1].isHighSurrogate() && text[n].isLowSurrogate())
        return n > 1 ? n - 1 : n + 1;
    return n;
}

} // namespace

ChatView::ChatView(QWidget *parent) : QAbstractScrollArea(parent)
{
    // The design values of the style table.
    const QColor blue(0, 0, 0xFF);
    const QColor navy(0, 0, 0x80);
    const QColor maroon(0x80, 0, 0);
    const QColor green(0, 0x80, 0);
    const QColor silver(0xC0, 0xC0, 0xC0);
    const QColor windowText = palette().color(QPalette::WindowText);
    m_styles[0].color = blue;
    m_styles[1].color = blue;
    m_styles[1].bold = true;
    m_styles[2].color = navy;
    m_styles[2].bold = true;
    m_styles[3].color = maroon;
    m_styles[3].italic = true;
    for (int i : {4, 5}) {
        m_styles[std::size_t(i)].color = green;
        m_styles[std::size_t(i)].underline = true;
        m_styles[std::size_t(i)].link = true;
    }
    m_styles[6].color = silver;
    m_styles[7].color = silver;
    for (std::size_t i = 8; i < kStyleCount; ++i)
        m_styles[i].color = windowText;
    for (std::size_t i = 0; i < kStyleCount; ++i) {
        m_layoutFonts[i].font = fontOf(m_styles[i]);
        m_layoutFonts[i].metrics = QFontMetrics(m_layoutFonts[i].font);
    }

    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalScrollBar()->setTracking(true);
    verticalScrollBar()->setSingleStep(1);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    updateScrollRange();
}

ChatView::~ChatView() = default;

// --- Styles -------------------------------------------------------------------

bool ChatView::validStyle(int index) const
{
    if (index >= 0 && index < kStyleCount)
        return true;
    qCWarning(lcChatView) << "no such style" << index;
    return false;
}

const ChatView::Style &ChatView::style(int index) const
{
    return m_styles.at(std::size_t(std::clamp(index, 0, kStyleCount - 1)));
}

void ChatView::setStyleColor(int index, const QColor &color)
{
    if (!validStyle(index) || m_styles[std::size_t(index)].color == color)
        return;
    m_styles[std::size_t(index)].color = color;
    viewport()->update();
}

void ChatView::setStyleFace(int index, bool bold, bool italic, bool underline)
{
    if (!validStyle(index))
        return;
    Style &s = m_styles[std::size_t(index)];
    if (s.bold == bold && s.italic == italic && s.underline == underline)
        return;
    s.bold = bold;
    s.italic = italic;
    s.underline = underline;
    noteFontChange(index);
}

void ChatView::setStyleSize(int index, int points)
{
    if (!validStyle(index) || points < 1 || m_styles[std::size_t(index)].pointSize == points)
        return;
    m_styles[std::size_t(index)].pointSize = points;
    noteFontChange(index);
}

void ChatView::setAllStyleSizes(int points)
{
    for (int i = 0; i < kStyleCount; ++i)
        setStyleSize(i, points);
}

void ChatView::noteFontChange(int style)
{
    m_changedFonts |= quint16(1u << style);
}

// --- Resources ----------------------------------------------------------------

void ChatView::setImages(const QList<QPixmap> &images)
{
    m_images = images;
    m_imagesChanged = true;
    viewport()->update();
}

void ChatView::setLinkCursor(const QCursor &cursor)
{
    m_linkCursor = cursor;
}

QColor ChatView::backgroundColor() const
{
    return QColor(kBackground);
}

QSize ChatView::imageSize(int index) const
{
    if (index >= 0 && index < m_images.size() && !m_images.at(index).isNull())
        return m_images.at(index).deviceIndependentSize().toSize();
    return kImageSize;
}

QPixmap ChatView::imageFor(int index) const
{
    if (index >= 0 && index < m_images.size())
        return m_images.at(index);
    return {};
}

// --- Content ------------------------------------------------------------------

void ChatView::beginLine()
{
    m_nextStartsLine = true;
}

void ChatView::addText(const QString &text, int style, bool newLine)
{
    if (!validStyle(style))
        return;
    addItem(Item{ItemKind::Text, style, text, -1, newLine});
}

void ChatView::addLink(const QString &text, bool newLine)
{
    addItem(Item{ItemKind::Text, kLinkStyle, text, -1, newLine});
}

void ChatView::addImage(int index, bool newLine)
{
    addItem(Item{ItemKind::Image, 0, QString(), index, newLine});
}

void ChatView::addItem(Item item)
{
    item.startsLine = item.startsLine || m_nextStartsLine || m_lines.empty();
    m_nextStartsLine = false;
    if (item.startsLine) {
        Line line;
        line.firstItem = int(m_items.size());
        m_lines.push_back(std::move(line));
    }
    Line &line = m_lines.back();
    ++line.itemCount;
    if (item.kind == ItemKind::Text)
        line.styles |= quint16(1u << item.style);
    m_items.push_back(std::move(item));
    markDirty(int(m_lines.size()) - 1);
}

void ChatView::markDirty(int line)
{
    m_lines[std::size_t(line)].dirty = true;
    m_firstDirty = std::min(m_firstDirty, line);
}

void ChatView::clear()
{
    m_items.clear();
    m_lines.clear();
    m_nextStartsLine = false;
    m_laidOutLines = 0;
    m_firstDirty = 0;
    m_documentHeight = 2 * kMargin;
    const bool hadSelection = hasSelection();
    m_anchor = m_caret = Position{};
    m_selecting = false;
    m_pressedLink = -1;
    updateScrollRange();
    viewport()->update();
    if (hadSelection)
        Q_EMIT selectionChanged();
}

// --- Layout -------------------------------------------------------------------

void ChatView::format()
{
    ensureLayout();
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

void ChatView::ensureLayout()
{
    const int width = std::max(1, viewport()->width() - 2 * kMargin);
    const int lineCount = int(m_lines.size());
    bool all = width != m_layoutWidth || m_imagesChanged;
    m_layoutWidth = width;
    m_imagesChanged = false;

    if (m_changedFonts) {
        for (int i = 0; i < kStyleCount; ++i) {
            if (m_changedFonts & (1u << i)) {
                m_layoutFonts[std::size_t(i)].font = fontOf(m_styles[std::size_t(i)]);
                m_layoutFonts[std::size_t(i)].metrics =
                    QFontMetrics(m_layoutFonts[std::size_t(i)].font);
            }
        }
        // Only the lines that use a changed style need laying out again.
        if (!all) {
            for (int i = 0; i < lineCount; ++i) {
                if (m_lines[std::size_t(i)].styles & m_changedFonts)
                    markDirty(i);
            }
        }
        m_changedFonts = 0;
    }
    if (all) {
        for (int i = 0; i < lineCount; ++i)
            m_lines[std::size_t(i)].dirty = true;
        m_firstDirty = 0;
    }

    const int first = std::min(m_firstDirty, lineCount);
    for (int i = first; i < lineCount; ++i) {
        Line &line = m_lines[std::size_t(i)];
        if (line.dirty)
            layoutLine(line);
        line.top =
            i == 0 ? kMargin : m_lines[std::size_t(i - 1)].top + m_lines[std::size_t(i - 1)].height;
    }
    m_firstDirty = lineCount;
    m_laidOutLines = lineCount;
    m_documentHeight =
        lineCount == 0 ? 2 * kMargin : m_lines.back().top + m_lines.back().height + kMargin;
    updateScrollRange();
}

void ChatView::layoutLine(Line &line)
{
    line.rows.clear();
    line.fragments.clear();
    line.dirty = false;
    const int width = m_layoutWidth;

    Row row;
    int x = 0;
    auto finishRow = [&] {
        int ascent = 0;
        int descent = 0;
        for (int f = row.first; f < row.first + row.count; ++f) {
            ascent = std::max(ascent, line.fragments[std::size_t(f)].ascent);
            descent = std::max(descent, line.fragments[std::size_t(f)].descent);
        }
        row.baseline = ascent;
        row.height = ascent + descent;
        const int nextY = row.y + row.height;
        line.rows.push_back(row);
        row = Row{};
        row.y = nextY;
        row.first = int(line.fragments.size());
        x = 0;
    };
    auto place = [&](int item, int start, int length, int w, int ascent, int descent) {
        line.fragments.push_back(Fragment{item, start, length, x, w, ascent, descent});
        ++row.count;
        x += w;
    };

    for (int i = line.firstItem; i < line.firstItem + line.itemCount; ++i) {
        const Item &it = m_items[std::size_t(i)];
        if (it.kind == ItemKind::Image) {
            const QSize size = imageSize(it.image);
            if (x > 0 && x + size.width() > width)
                finishRow();
            place(i, 0, 1, size.width(), size.height(), 0);
            continue;
        }
        const QFontMetrics &fm = m_layoutFonts[std::size_t(it.style)].metrics;
        const QStringView text(it.text);
        if (text.isEmpty()) {
            place(i, 0, 0, 0, fm.ascent(), fm.descent());
            continue;
        }
        int pos = 0;
        while (pos < text.size()) {
            const QStringView rest = text.mid(pos);
            const int available = width - x;
            const int restWidth = fm.horizontalAdvance(rest.toString());
            if (restWidth <= available) {
                place(i, pos, int(rest.size()), restWidth, fm.ascent(), fm.descent());
                break;
            }
            // Break after the last space that still fits.
            std::vector<int> breaks;
            for (int k = 0; k < rest.size(); ++k) {
                if (rest[k] == QLatin1Char(' '))
                    breaks.push_back(k + 1);
            }
            auto fits = [&](int n) {
                return fm.horizontalAdvance(rest.left(n).toString()) <= available;
            };
            const auto firstTooWide = std::partition_point(breaks.begin(), breaks.end(), fits);
            if (firstTooWide != breaks.begin()) {
                const int n = *(firstTooWide - 1);
                place(i, pos, n, fm.horizontalAdvance(rest.left(n).toString()), fm.ascent(),
                      fm.descent());
                pos += n;
                finishRow();
                continue;
            }
            if (x > 0) {
                finishRow();
                continue;
            }
            // Alone on its row: break after the last character that fits,
            // taking at least one so the layout always moves on.
            int lo = 1;
            int hi = int(rest.size());
            while (lo < hi) {
                const int mid = (lo + hi + 1) / 2;
                if (fits(mid))
                    lo = mid;
                else
                    hi = mid - 1;
            }
            const int n = keepPairs(rest, lo);
            place(i, pos, n, fm.horizontalAdvance(rest.left(n).toString()), fm.ascent(),
                  fm.descent());
            pos += n;
            finishRow();
        }
    }
    if (row.count > 0 || line.rows.empty())
        finishRow();
    line.height = line.rows.empty() ? 0 : line.rows.back().y + line.rows.back().height;
}

void ChatView::updateScrollRange()
{
    const int viewHeight = viewport()->height();
    const int overflow = std::max(0, m_documentHeight - viewHeight);
    QScrollBar *bar = verticalScrollBar();
    bar->setRange(0, (overflow + kScrollUnit - 1) / kScrollUnit);
    bar->setPageStep(std::max(1, viewHeight / kScrollUnit));
}

int ChatView::vScrollPos() const
{
    return verticalScrollBar()->value();
}

void ChatView::setVScrollPos(int units)
{
    verticalScrollBar()->setValue(units);
}

int ChatView::vScrollMax() const
{
    return verticalScrollBar()->maximum();
}

void ChatView::scrollToEnd()
{
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

int ChatView::yOffset() const
{
    return verticalScrollBar()->value() * kScrollUnit;
}

QRect ChatView::pieceRect(const Line &line, const Row &row, const Fragment &f) const
{
    return QRect(kMargin + f.x, line.top + row.y + row.baseline - f.ascent, f.width,
                 f.ascent + f.descent);
}

QList<QList<ChatView::Piece>> ChatView::rowsOfLine(int lineIndex) const
{
    QList<QList<Piece>> rows;
    if (lineIndex < 0 || lineIndex >= m_laidOutLines)
        return rows;
    const Line &line = m_lines[std::size_t(lineIndex)];
    for (const Row &row : line.rows) {
        QList<Piece> pieces;
        for (int f = row.first; f < row.first + row.count; ++f) {
            const Fragment &fr = line.fragments[std::size_t(f)];
            pieces.append(Piece{fr.item, fr.start, fr.length, pieceRect(line, row, fr)});
        }
        rows.append(pieces);
    }
    return rows;
}

int ChatView::lineAtY(int docY) const
{
    // The last laid-out line whose top is at or above docY.
    const auto begin = m_lines.begin();
    const auto end = begin + m_laidOutLines;
    const auto it =
        std::upper_bound(begin, end, docY, [](int y, const Line &line) { return y < line.top; });
    return std::max(0, int(it - begin) - 1);
}

int ChatView::itemLength(int item) const
{
    const Item &it = m_items[std::size_t(item)];
    return it.kind == ItemKind::Image ? 1 : int(it.text.size());
}

int ChatView::linkAt(const QPoint &viewportPoint) const
{
    if (m_laidOutLines == 0)
        return -1;
    const QPoint doc(viewportPoint.x(), viewportPoint.y() + yOffset());
    const Line &line = m_lines[std::size_t(lineAtY(doc.y()))];
    for (const Row &row : line.rows) {
        const int top = line.top + row.y;
        if (doc.y() < top || doc.y() >= top + row.height)
            continue;
        for (int f = row.first; f < row.first + row.count; ++f) {
            const Fragment &fr = line.fragments[std::size_t(f)];
            const Item &it = m_items[std::size_t(fr.item)];
            if (it.kind != ItemKind::Text || !m_styles[std::size_t(it.style)].link)
                continue;
            const int left = kMargin + fr.x;
            if (doc.x() >= left && doc.x() < left + fr.width)
                return fr.item;
        }
    }
    return -1;
}

ChatView::Position ChatView::positionAt(const QPoint &viewportPoint) const
{
    if (m_laidOutLines == 0)
        return {};
    const int docY = viewportPoint.y() + yOffset();
    const int x = viewportPoint.x() - kMargin;
    const int lineIndex = lineAtY(docY);
    const Line &line = m_lines[std::size_t(lineIndex)];
    if (lineIndex == 0 && docY < line.top)
        return Position{line.firstItem, 0};
    if (line.rows.empty())
        return Position{line.firstItem, 0};
    // The row under docY, or the last one when below the line.
    std::size_t r = 0;
    while (r + 1 < line.rows.size() && docY >= line.top + line.rows[r + 1].y)
        ++r;
    const Row &row = line.rows[r];
    if (row.count == 0)
        return Position{line.firstItem, 0};
    for (int f = row.first; f < row.first + row.count; ++f) {
        const Fragment &fr = line.fragments[std::size_t(f)];
        if (x >= fr.x + fr.width)
            continue;
        if (x <= fr.x)
            return Position{fr.item, fr.start};
        const Item &it = m_items[std::size_t(fr.item)];
        if (it.kind == ItemKind::Image)
            return Position{fr.item, x < fr.x + fr.width / 2 ? 0 : 1};
        // Nearest character boundary inside the fragment.
        const QFontMetrics &fm = m_layoutFonts[std::size_t(it.style)].metrics;
        int previous = 0;
        for (int k = 1; k <= fr.length; ++k) {
            const int w = fm.horizontalAdvance(it.text.mid(fr.start, k));
            if (x < fr.x + (previous + w) / 2)
                return Position{fr.item, fr.start + k - 1};
            previous = w;
        }
        return Position{fr.item, fr.start + fr.length};
    }
    const Fragment &last = line.fragments[std::size_t(row.first + row.count - 1)];
    return Position{last.item, last.start + last.length};
}

// --- Selection ----------------------------------------------------------------

std::pair<ChatView::Position, ChatView::Position> ChatView::orderedSelection() const
{
    auto before = [](const Position &a, const Position &b) {
        return a.item < b.item || (a.item == b.item && a.offset < b.offset);
    };
    return before(m_caret, m_anchor) ? std::pair{m_caret, m_anchor} : std::pair{m_anchor, m_caret};
}

void ChatView::setSelection(Position anchor, Position caret)
{
    auto valid = [this](Position &p) {
        if (m_items.empty()) {
            p = {};
            return;
        }
        p.item = std::clamp(p.item, 0, itemCount() - 1);
        p.offset = std::clamp(p.offset, 0, itemLength(p.item));
    };
    valid(anchor);
    valid(caret);
    if (anchor == m_anchor && caret == m_caret)
        return;
    m_anchor = anchor;
    m_caret = caret;
    viewport()->update();
    Q_EMIT selectionChanged();
}

void ChatView::selectAll()
{
    if (m_items.empty())
        return;
    setSelection(Position{0, 0}, Position{itemCount() - 1, itemLength(itemCount() - 1)});
}

void ChatView::deselect()
{
    setSelection(m_caret, m_caret);
}

QString ChatView::selectedText() const
{
    if (!hasSelection())
        return {};
    const auto [from, to] = orderedSelection();
    QString text;
    for (int i = from.item; i <= to.item; ++i) {
        const Item &it = m_items[std::size_t(i)];
        if (i > from.item && it.startsLine)
            text += QLatin1Char('\n');
        if (it.kind != ItemKind::Text)
            continue;
        const int start = i == from.item ? from.offset : 0;
        const int end = i == to.item ? to.offset : int(it.text.size());
        text += QStringView(it.text).mid(start, std::max(0, end - start));
    }
    return text;
}

void ChatView::copy() const
{
    if (hasSelection())
        QApplication::clipboard()->setText(selectedText());
}

// --- Painting -----------------------------------------------------------------

void ChatView::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    painter.fillRect(event->rect(), QColor(kBackground));
    if (m_laidOutLines == 0)
        return;

    const int offset = yOffset();
    const int top = event->rect().top() + offset;
    const int bottom = event->rect().bottom() + offset;
    const bool selection = hasSelection();
    const auto [from, to] = orderedSelection();
    const QColor highlight = palette().color(QPalette::Highlight);
    const QColor highlightText = palette().color(QPalette::HighlightedText);

    painter.translate(0, -offset);
    for (int l = lineAtY(top); l < m_laidOutLines; ++l) {
        const Line &line = m_lines[std::size_t(l)];
        if (line.top > bottom)
            break;
        for (const Row &row : line.rows) {
            const int rowTop = line.top + row.y;
            if (rowTop > bottom)
                break;
            if (rowTop + row.height < top)
                continue;
            for (int f = row.first; f < row.first + row.count; ++f) {
                const Fragment &fr = line.fragments[std::size_t(f)];
                const Item &it = m_items[std::size_t(fr.item)];
                const QRect rect = pieceRect(line, row, fr);
                // The part of this fragment inside the selection.
                int selStart = 0;
                int selEnd = 0;
                if (selection && fr.item >= from.item && fr.item <= to.item) {
                    const int a = fr.item == from.item ? from.offset : 0;
                    const int b = fr.item == to.item ? to.offset : itemLength(fr.item);
                    selStart = std::max(a, fr.start);
                    selEnd = std::min(b, fr.start + fr.length);
                }
                if (it.kind == ItemKind::Image) {
                    const QPixmap pixmap = imageFor(it.image);
                    if (!pixmap.isNull())
                        painter.drawPixmap(rect.topLeft(), pixmap);
                    if (selEnd > selStart) {
                        QColor veil = highlight;
                        veil.setAlpha(128);
                        painter.fillRect(rect, veil);
                    }
                    continue;
                }
                const LayoutFont &lf = m_layoutFonts[std::size_t(it.style)];
                painter.setFont(lf.font);
                const int baseline = line.top + row.y + row.baseline;
                const QString text = it.text.mid(fr.start, fr.length);
                if (selEnd <= selStart) {
                    painter.setPen(m_styles[std::size_t(it.style)].color);
                    painter.drawText(rect.left(), baseline, text);
                    continue;
                }
                const int a = selStart - fr.start;
                const int b = selEnd - fr.start;
                const int xa = lf.metrics.horizontalAdvance(text.left(a));
                const int xb = lf.metrics.horizontalAdvance(text.left(b));
                painter.setPen(m_styles[std::size_t(it.style)].color);
                if (a > 0)
                    painter.drawText(rect.left(), baseline, text.left(a));
                if (b < text.size())
                    painter.drawText(rect.left() + xb, baseline, text.mid(b));
                painter.fillRect(QRect(rect.left() + xa, rowTop, xb - xa, row.height), highlight);
                painter.setPen(highlightText);
                painter.drawText(rect.left() + xa, baseline, text.mid(a, b - a));
            }
        }
    }
}

void ChatView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    const bool atEnd = vScrollPos() > 0 && vScrollPos() == vScrollMax();
    const int width = std::max(1, viewport()->width() - 2 * kMargin);
    if (width != m_layoutWidth && m_laidOutLines > 0)
        ensureLayout();
    else
        updateScrollRange();
    if (atEnd)
        scrollToEnd();
}

void ChatView::scrollContentsBy(int, int)
{
    viewport()->update();
}

// --- Mouse and keys -----------------------------------------------------------

void ChatView::updateCursor(const QPoint &viewportPoint)
{
    if (linkAt(viewportPoint) >= 0)
        viewport()->setCursor(m_linkCursor);
    else
        viewport()->unsetCursor();
}

void ChatView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    m_pressedLink = linkAt(point);
    m_pressPoint = point;
    m_selecting = true;
    const Position at = positionAt(point);
    setSelection(at, at);
    event->accept();
}

void ChatView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint point = event->position().toPoint();
    updateCursor(point);
    if (!m_selecting || !(event->buttons() & Qt::LeftButton)) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    if ((point - m_pressPoint).manhattanLength() >= QApplication::startDragDistance())
        m_pressedLink = -1;
    // Dragging past the edge scrolls the view along.
    if (point.y() < 0)
        setVScrollPos(vScrollPos() - 1);
    else if (point.y() > viewport()->height())
        setVScrollPos(vScrollPos() + 1);
    setSelection(m_anchor, positionAt(point));
    event->accept();
}

void ChatView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    m_selecting = false;
    const int pressed = m_pressedLink;
    m_pressedLink = -1;
    event->accept();
    if (pressed >= 0 && !hasSelection() && linkAt(event->position().toPoint()) == pressed)
        Q_EMIT linkClicked(pressed, m_items[std::size_t(pressed)].text);
}

void ChatView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        copy();
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

} // namespace vorlith::chat
