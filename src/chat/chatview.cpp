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
    // Text is drawn as it is measured: character by character, with no pair
    // of characters drawn closer than their advances add up to.
    font.setKerning(false);
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

// --- Line storage -------------------------------------------------------------

namespace {

// How an image sits in a line's text: one character of its own.
constexpr char kNarrowMark = '\xff';
constexpr char16_t kWideMark = 0xFFFC;
constexpr quint8 kNoImage = 0xFF;

constexpr quint32 kRunStartMask = (1u << 26) - 1;
constexpr int kRunStyleShift = 26;
constexpr quint32 kRunWords = 1u << 30;

quint32 makeRun(int start, int style, bool words)
{
    return quint32(start) | (quint32(style) << kRunStyleShift) | (words ? kRunWords : 0u);
}
int runStart(quint32 run)
{
    return int(run & kRunStartMask);
}
int runStyle(quint32 run)
{
    return int((run >> kRunStyleShift) & 0xF);
}
bool runHoldsWords(quint32 run)
{
    return run & kRunWords;
}

// A word as the chat cuts them: text ending in its only space. Runs of words
// keep no item boundaries of their own: they are found again at the spaces.
bool isWord(const QString &text)
{
    return !text.isEmpty() && text.indexOf(QLatin1Char(' ')) == text.size() - 1;
}

bool fitsNarrow(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0xFF; });
}

// The width of characters [start, start + length) of \a text.
int advance(const QFontMetrics &fm, const QString &text, int start, int length)
{
    return fm.horizontalAdvance(QString::fromRawData(text.constData() + start, length));
}

} // namespace

QString ChatView::textOf(const Line &line)
{
    if (line.isWide)
        return line.wide;
    QString text = QString::fromLatin1(line.narrow);
    text.replace(QChar(char16_t(0xFF)), QChar(kWideMark));
    return text;
}

int ChatView::lengthOf(const Line &line)
{
    return int(line.isWide ? line.wide.size() : line.narrow.size());
}

template<typename F>
void ChatView::forEachRun(const Line &line, F f)
{
    const int length = lengthOf(line);
    for (std::size_t r = 0; r < line.runs.size(); ++r) {
        const quint32 run = line.runs[r];
        const int end = r + 1 < line.runs.size() ? runStart(line.runs[r + 1]) : length;
        f(runStart(run), end, runStyle(run), runHoldsWords(run));
    }
}

template<typename F>
void ChatView::forEachItem(const Line &line, F f)
{
    const auto at = [&line](int i) -> char16_t {
        if (line.isWide)
            return line.wide.at(i).unicode();
        const char c = line.narrow.at(i);
        return c == kNarrowMark ? kWideMark : char16_t(uchar(c));
    };
    int index = 0;
    int image = 0;
    bool go = true;
    forEachRun(line, [&](int start, int end, int style, bool words) {
        if (!go)
            return;
        if (!words) {
            go = f(Span{index++, start, end - start, style, false, -1});
            return;
        }
        int i = start;
        while (go && i < end) {
            if (at(i) == kWideMark) {
                const quint8 code = quint8(line.images.at(image++));
                go = f(Span{index++, i, 1, style, true, code == kNoImage ? -1 : int(code)});
                ++i;
                continue;
            }
            int j = i;
            while (j < end && at(j) != u' ' && at(j) != kWideMark)
                ++j;
            if (j < end && at(j) == u' ')
                ++j;
            go = f(Span{index++, i, j - i, style, false, -1});
            i = j;
        }
    });
}

ChatView::Item ChatView::itemOf(const Line &line, const Span &span)
{
    Item item;
    item.startsLine = span.index == 0;
    if (span.image) {
        item.kind = ItemKind::Image;
        item.image = span.imageIndex;
        return item;
    }
    item.style = span.style;
    item.text = line.isWide ? line.wide.mid(span.start, span.length)
                            : QString::fromLatin1(line.narrow.constData() + span.start, span.length);
    return item;
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
    appendItem(ItemKind::Text, style, text, -1, newLine);
}

void ChatView::addLink(const QString &text, bool newLine)
{
    appendItem(ItemKind::Text, kLinkStyle, text, -1, newLine);
}

void ChatView::addImage(int index, bool newLine)
{
    appendItem(ItemKind::Image, 0, QString(), index, newLine);
}

void ChatView::appendItem(ItemKind kind, int style, const QString &text, int image, bool newLine)
{
    const bool starts = newLine || m_nextStartsLine || m_lines.empty();
    const int added = kind == ItemKind::Image ? 1 : int(std::min<qsizetype>(text.size(), kMaxLineLength + 1));
    if ((starts ? 0 : lengthOf(m_lines.back())) + added > kMaxLineLength) {
        qCWarning(lcChatView) << "an item that would make a line longer than" << kMaxLineLength
                              << "characters was dropped";
        m_nextStartsLine = starts;
        return;
    }
    m_nextStartsLine = false;
    if (starts)
        startLine();

    Line &line = m_lines.back();
    const int start = lengthOf(line);
    const quint32 *last = line.runs.empty() ? nullptr : &line.runs.back();
    if (kind == ItemKind::Image) {
        if (line.isWide)
            line.wide += QChar(kWideMark);
        else
            line.narrow += kNarrowMark;
        line.images += char(image >= 0 && image < kNoImage ? quint8(image) : kNoImage);
        if (!last || !runHoldsWords(*last))
            line.runs.push_back(makeRun(start, last ? runStyle(*last) : 0, true));
    } else {
        QString t = text;
        // The mark stands for images; in text it is shown as what it is, an
        // object that cannot be shown.
        t.replace(QChar(kWideMark), QChar(0xFFFD));
        if (!line.isWide && !fitsNarrow(t)) {
            line.wide = textOf(line);
            line.narrow = QByteArray();
            line.isWide = true;
        }
        if (line.isWide)
            line.wide += t;
        else
            line.narrow += t.toLatin1();
        const bool word = isWord(t);
        if (!word || !last || !runHoldsWords(*last) || runStyle(*last) != style)
            line.runs.push_back(makeRun(start, style, word));
        line.styles |= quint16(1u << style);
    }
    ++line.items;
    ++m_nextItem;
    for (auto it = m_cache.begin(); it != m_cache.end(); ++it) {
        if ((*it)->serial == line.serial) {
            m_cache.erase(it);
            break;
        }
    }
    markDirty(int(m_lines.size()) - 1);
}

void ChatView::startLine()
{
    if (int(m_lines.size()) >= kMaxLines)
        dropOldestLine();
    Line line;
    line.firstItem = m_nextItem;
    line.serial = m_nextSerial++;
    if (!m_lines.empty())
        line.top = m_lines.back().top + m_lines.back().height;
    m_lines.push_back(std::move(line));
}

void ChatView::dropOldestLine()
{
    const Line &oldest = m_lines.front();
    m_firstItem = oldest.firstItem + oldest.items;
    m_lines.pop_front();
    if (m_laidOutLines > 0)
        --m_laidOutLines;
    m_firstDirty = std::max(0, m_firstDirty - 1);
    m_documentHeight = m_laidOutLines == 0 ? 2 * kMargin
                                           : lineTop(m_lines[std::size_t(m_laidOutLines - 1)]) +
                                                 m_lines[std::size_t(m_laidOutLines - 1)].height + kMargin;
    // A selection end in the dropped line moves to the oldest content left.
    bool moved = false;
    for (Anchor *a : {&m_selAnchor, &m_selCaret}) {
        if (a->item < m_firstItem) {
            *a = Anchor{m_firstItem, 0};
            moved = true;
        }
    }
    if (m_pressedLink >= 0 && m_pressedLink < m_firstItem)
        m_pressedLink = -1;
    if (moved)
        Q_EMIT selectionChanged();
}

void ChatView::markDirty(int line)
{
    m_lines[std::size_t(line)].dirty = true;
    m_firstDirty = std::min(m_firstDirty, line);
}

void ChatView::clear()
{
    m_lines.clear();
    m_firstItem = 0;
    m_nextItem = 0;
    m_nextStartsLine = false;
    m_laidOutLines = 0;
    m_firstDirty = 0;
    m_documentHeight = 2 * kMargin;
    forgetLayouts();
    const bool hadSelection = hasSelection();
    m_selAnchor = m_selCaret = Anchor{};
    m_selecting = false;
    m_pressedLink = -1;
    updateScrollRange();
    viewport()->update();
    if (hadSelection)
        Q_EMIT selectionChanged();
}

int ChatView::lineOfItem(qint64 item) const
{
    const auto it = std::upper_bound(m_lines.begin(), m_lines.end(), item,
                                     [](qint64 i, const Line &line) { return i < line.firstItem; });
    return std::max(0, int(it - m_lines.begin()) - 1);
}

ChatView::Item ChatView::item(int index) const
{
    if (index < 0 || index >= itemCount())
        return {};
    const qint64 wanted = m_firstItem + index;
    const Line &line = m_lines[std::size_t(lineOfItem(wanted))];
    Item found;
    forEachItem(line, [&](const Span &span) {
        if (line.firstItem + span.index < wanted)
            return true;
        found = itemOf(line, span);
        return false;
    });
    return found;
}

// --- Layout -------------------------------------------------------------------

void ChatView::format()
{
    ensureLayout();
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

void ChatView::forgetLayouts() const
{
    m_cache.clear();
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
                LayoutFont &lf = m_layoutFonts[std::size_t(i)];
                lf.font = fontOf(m_styles[std::size_t(i)]);
                lf.metrics = QFontMetrics(lf.font);
                lf.advancesReady = false;
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
        forgetLayouts();
    }
    if (all) {
        for (Line &line : m_lines)
            line.dirty = true;
        m_firstDirty = 0;
        forgetLayouts();
    }

    // The newest lines are the ones shown next: their pieces are kept.
    constexpr int kKeepNewest = 8;
    const int first = std::min(m_firstDirty, lineCount);
    for (int i = first; i < lineCount; ++i) {
        Line &line = m_lines[std::size_t(i)];
        if (line.dirty) {
            // Lines are built up an item at a time; what they hold is kept
            // without room to spare.
            line.narrow.squeeze();
            line.wide.squeeze();
            line.images.squeeze();
            line.runs.shrink_to_fit();
            const bool keep = i >= lineCount - kKeepNewest;
            Layout layout = layoutLine(line, keep);
            line.height = layout.height;
            line.dirty = false;
            if (keep)
                keepLayout(line.serial, std::move(layout));
        }
        if (i > 0)
            line.top = m_lines[std::size_t(i - 1)].top + m_lines[std::size_t(i - 1)].height;
    }
    m_firstDirty = lineCount;
    m_laidOutLines = lineCount;
    m_documentHeight = lineCount == 0 ? 2 * kMargin : lineTop(m_lines.back()) + m_lines.back().height + kMargin;
    updateScrollRange();
}

const std::array<qreal, 256> &ChatView::LayoutFont::singleByteAdvances() const
{
    if (!advancesReady) {
        const QFontMetricsF fm(font);
        for (int c = 0; c < 256; ++c)
            advances[std::size_t(c)] = fm.horizontalAdvance(QChar(char16_t(c)));
        advancesReady = true;
    }
    return advances;
}

/// Widths of pieces of one line's text in one style. Single-byte text adds up
/// the advances of its characters, so measuring takes time in proportion to
/// the characters measured and nothing more; other text asks the font for
/// each piece, growing the pieces tried geometrically so that fitting a row
/// costs in proportion to the row.
class ChatView::Measure
{
public:
    Measure(const Line &line, const QString &text, const LayoutFont &font)
        : m_narrow(line.isWide ? nullptr : line.narrow.constData()), m_text(text), m_font(font)
    {
    }

    /// Width of characters [start, start + length).
    int width(int start, int length) const
    {
        if (!m_narrow)
            return advance(m_font.metrics, m_text, start, length);
        const std::array<qreal, 256> &table = m_font.singleByteAdvances();
        qreal sum = 0;
        for (int i = start; i < start + length; ++i)
            sum += table[uchar(m_narrow[i])];
        return qRound(sum);
    }

    /// The longest prefix of characters [start, start + length) at most
    /// \a available pixels wide, and its width.
    int fit(int start, int length, int available, int *width) const
    {
        if (m_narrow) {
            const std::array<qreal, 256> &table = m_font.singleByteAdvances();
            qreal sum = 0;
            int n = 0;
            while (n < length) {
                const qreal next = sum + table[uchar(m_narrow[start + n])];
                if (qRound(next) > available)
                    break;
                sum = next;
                ++n;
            }
            *width = qRound(sum);
            return n;
        }
        int fits = 0;
        int fitsWidth = 0;
        int tooLong = length + 1;
        int probe = std::min(length, 16);
        for (;;) {
            const int w = advance(m_font.metrics, m_text, start, probe);
            if (w > available) {
                tooLong = probe;
                break;
            }
            fits = probe;
            fitsWidth = w;
            if (probe == length)
                break;
            probe = std::min(length, probe * 2 + 16);
        }
        while (tooLong - fits > 1) {
            const int mid = fits + (tooLong - fits) / 2;
            const int w = advance(m_font.metrics, m_text, start, mid);
            if (w <= available) {
                fits = mid;
                fitsWidth = w;
            } else {
                tooLong = mid;
            }
        }
        *width = fitsWidth;
        return fits;
    }

    const QFontMetrics &metrics() const { return m_font.metrics; }

private:
    const char *m_narrow;
    const QString &m_text;
    const LayoutFont &m_font;
};

ChatView::Layout ChatView::layoutLine(const Line &line, bool keepPieces) const
{
    Layout out;
    const int width = m_layoutWidth;
    const QString text = textOf(line);

    Row row;
    int x = 0;
    int ascent = 0;
    int descent = 0;
    int rows = 0;
    auto finishRow = [&] {
        row.baseline = ascent;
        row.height = ascent + descent;
        const int nextY = row.y + row.height;
        if (keepPieces)
            out.rows.push_back(row);
        ++rows;
        row = Row{};
        row.y = nextY;
        row.first = int(out.fragments.size());
        x = 0;
        ascent = 0;
        descent = 0;
    };
    auto place = [&](int item, int itemStart, int start, int length, int w, int a, int d, int image, int style) {
        if (keepPieces)
            out.fragments.push_back(Fragment{item, itemStart, start, length, x, w, a, d, image, style});
        ++row.count;
        x += w;
        ascent = std::max(ascent, a);
        descent = std::max(descent, d);
    };

    // Text [from, to) in one style: a single item starting at itemStart, or
    // (words) a stretch of words, each ending after its space, the first of
    // them item number \a item. A piece that does not fit the rest of the row
    // is broken after its last space that still fits; with none it moves to
    // the next row, and alone on a row it is broken after the last character
    // that fits.
    auto placeText = [&](int from, int to, int style, bool words, int &item, int itemStart) {
        const Measure measure(line, text, m_layoutFonts[std::size_t(style)]);
        const int a = measure.metrics().ascent();
        const int d = measure.metrics().descent();
        // Puts characters [start, start + n), w pixels wide, on the row. The
        // decision was taken for the whole piece; its items only learn their
        // places in it.
        auto placePiece = [&](int start, int n, int w) {
            if (!keepPieces || !words) {
                place(item, itemStart, start, n, w, a, d, -2, style);
                return;
            }
            const int x0 = x;
            int pieceStart = start;
            for (int k = start; k < start + n; ++k) {
                const bool wordEnds = text.at(k) == QLatin1Char(' ');
                if (!wordEnds && k + 1 < start + n)
                    continue;
                const int left = measure.width(start, pieceStart - start);
                const int right = measure.width(start, k + 1 - start);
                x = x0 + left;
                place(item, itemStart, pieceStart, k + 1 - pieceStart, right - left, a, d, -2, style);
                if (wordEnds) {
                    ++item;
                    itemStart = k + 1;
                }
                pieceStart = k + 1;
            }
            x = x0 + w;
        };
        if (from == to) {
            place(item, itemStart, from, 0, 0, a, d, -2, style);
            return;
        }
        int pos = from;
        while (pos < to) {
            int w = 0;
            const int n = measure.fit(pos, to - pos, width - x, &w);
            if (n == to - pos) {
                placePiece(pos, n, w);
                break;
            }
            int cut = n;
            while (cut > 0 && text.at(pos + cut - 1) != QLatin1Char(' '))
                --cut;
            if (cut > 0) {
                placePiece(pos, cut, cut == n ? w : measure.width(pos, cut));
                pos += cut;
                finishRow();
                continue;
            }
            if (x > 0) {
                finishRow();
                continue;
            }
            cut = keepPairs(QStringView(text).mid(pos, to - pos), std::max(1, n));
            placePiece(pos, cut, measure.width(pos, cut));
            pos += cut;
            finishRow();
        }
        if (words && keepPieces && itemStart < to)
            ++item; // the stretch ended inside a word: cannot happen, words end in spaces
    };

    int item = 0;
    int image = 0;
    forEachRun(line, [&](int start, int end, int style, bool words) {
        if (!words) {
            int single = item;
            placeText(start, end, style, false, single, start);
            ++item;
            return;
        }
        int i = start;
        while (i < end) {
            if (text.at(i) == QChar(kWideMark)) {
                const quint8 code = quint8(line.images.at(image++));
                const int index = code == kNoImage ? -1 : int(code);
                const QSize size = imageSize(index);
                if (x > 0 && x + size.width() > width)
                    finishRow();
                place(item++, i, i, 1, size.width(), size.height(), 0, index, 0);
                ++i;
                continue;
            }
            int j = i;
            while (j < end && text.at(j) != QChar(kWideMark))
                ++j;
            if (keepPieces) {
                placeText(i, j, style, true, item, i);
            } else {
                int unused = 0;
                placeText(i, j, style, true, unused, i);
            }
            i = j;
        }
    });
    if (row.count > 0 || rows == 0)
        finishRow();
    out.height = row.y;
    return out;
}

const ChatView::Layout &ChatView::layoutOf(int lineIndex) const
{
    const Line &line = m_lines[std::size_t(lineIndex)];
    for (const auto &entry : m_cache) {
        if (entry->serial == line.serial) {
            entry->lastUse = ++m_cacheClock;
            return entry->layout;
        }
    }
    return keepLayout(line.serial, layoutLine(line, true));
}

const ChatView::Layout &ChatView::keepLayout(quint64 serial, Layout layout) const
{
    // Pieces are kept for the lines shown lately, within a budget; the least
    // recently used go first.
    constexpr std::size_t kMaxEntries = 64;
    constexpr std::size_t kMaxFragments = 256 * 1024;
    auto entry = std::make_unique<CachedLayout>();
    entry->serial = serial;
    entry->lastUse = ++m_cacheClock;
    entry->layout = std::move(layout);
    std::size_t fragments = entry->layout.fragments.size();
    for (const auto &e : m_cache)
        fragments += e->layout.fragments.size();
    while (!m_cache.empty() && (m_cache.size() >= kMaxEntries || fragments > kMaxFragments)) {
        const auto oldest = std::min_element(m_cache.begin(), m_cache.end(),
                                             [](const auto &a, const auto &b) { return a->lastUse < b->lastUse; });
        fragments -= (*oldest)->layout.fragments.size();
        m_cache.erase(oldest);
    }
    m_cache.push_back(std::move(entry));
    return m_cache.back()->layout;
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

int ChatView::lineTop(const Line &line) const
{
    return kMargin + int(line.top - m_lines.front().top);
}

QRect ChatView::pieceRect(const Line &line, const Row &row, const Fragment &f) const
{
    return QRect(kMargin + f.x, lineTop(line) + row.y + row.baseline - f.ascent, f.width, f.ascent + f.descent);
}

QList<QList<ChatView::Piece>> ChatView::rowsOfLine(int lineIndex) const
{
    QList<QList<Piece>> rows;
    if (lineIndex < 0 || lineIndex >= m_laidOutLines)
        return rows;
    const Line &line = m_lines[std::size_t(lineIndex)];
    const Layout &layout = layoutOf(lineIndex);
    for (const Row &row : layout.rows) {
        QList<Piece> pieces;
        for (int f = row.first; f < row.first + row.count; ++f) {
            const Fragment &fr = layout.fragments[std::size_t(f)];
            pieces.append(Piece{int(line.firstItem - m_firstItem) + fr.item, fr.start - fr.itemStart, fr.length,
                                pieceRect(line, row, fr)});
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
        std::upper_bound(begin, end, docY, [this](int y, const Line &line) { return y < lineTop(line); });
    return std::max(0, int(it - begin) - 1);
}

int ChatView::linkAt(const QPoint &viewportPoint) const
{
    if (m_laidOutLines == 0)
        return -1;
    const QPoint doc(viewportPoint.x(), viewportPoint.y() + yOffset());
    const int lineIndex = lineAtY(doc.y());
    const Line &line = m_lines[std::size_t(lineIndex)];
    const Layout &layout = layoutOf(lineIndex);
    for (const Row &row : layout.rows) {
        const int top = lineTop(line) + row.y;
        if (doc.y() < top || doc.y() >= top + row.height)
            continue;
        for (int f = row.first; f < row.first + row.count; ++f) {
            const Fragment &fr = layout.fragments[std::size_t(f)];
            if (fr.image != -2 || !m_styles[std::size_t(fr.style)].link)
                continue;
            const int left = kMargin + fr.x;
            if (doc.x() >= left && doc.x() < left + fr.width)
                return int(line.firstItem - m_firstItem) + fr.item;
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
    const int first = int(line.firstItem - m_firstItem);
    const Layout &layout = layoutOf(lineIndex);
    if ((lineIndex == 0 && docY < lineTop(line)) || layout.rows.empty())
        return Position{first, 0};
    // The row under docY, or the last one when below the line.
    std::size_t r = 0;
    while (r + 1 < layout.rows.size() && docY >= lineTop(line) + layout.rows[r + 1].y)
        ++r;
    const Row &row = layout.rows[r];
    if (row.count == 0)
        return Position{first, 0};
    for (int f = row.first; f < row.first + row.count; ++f) {
        const Fragment &fr = layout.fragments[std::size_t(f)];
        if (x >= fr.x + fr.width)
            continue;
        const int offset = fr.start - fr.itemStart;
        if (x <= fr.x)
            return Position{first + fr.item, offset};
        if (fr.image != -2)
            return Position{first + fr.item, x < fr.x + fr.width / 2 ? 0 : 1};
        // Nearest character boundary inside the fragment.
        const QString text = textOf(line);
        const Measure measure(line, text, m_layoutFonts[std::size_t(fr.style)]);
        int previous = 0;
        for (int k = 1; k <= fr.length; ++k) {
            const int w = measure.width(fr.start, k);
            if (x < fr.x + (previous + w) / 2)
                return Position{first + fr.item, offset + k - 1};
            previous = w;
        }
        return Position{first + fr.item, offset + fr.length};
    }
    const Fragment &last = layout.fragments[std::size_t(row.first + row.count - 1)];
    return Position{first + last.item, last.start - last.itemStart + last.length};
}

// --- Selection ----------------------------------------------------------------

std::pair<ChatView::Anchor, ChatView::Anchor> ChatView::orderedSelection() const
{
    auto before = [](const Anchor &a, const Anchor &b) {
        return a.item < b.item || (a.item == b.item && a.offset < b.offset);
    };
    return before(m_selCaret, m_selAnchor) ? std::pair{m_selCaret, m_selAnchor}
                                           : std::pair{m_selAnchor, m_selCaret};
}

ChatView::TextPos ChatView::textPos(const Anchor &a) const
{
    if (m_lines.empty())
        return {};
    const int lineIndex = lineOfItem(a.item);
    const Line &line = m_lines[std::size_t(lineIndex)];
    TextPos pos{lineIndex, 0};
    forEachItem(line, [&](const Span &span) {
        if (line.firstItem + span.index < a.item)
            return true;
        pos.pos = span.start + std::clamp(a.offset, 0, span.length);
        return false;
    });
    return pos;
}

void ChatView::setSelection(Position anchor, Position caret)
{
    auto valid = [this](const Position &p) {
        if (itemCount() == 0)
            return Anchor{m_firstItem, 0};
        const int index = std::clamp(p.item, 0, itemCount() - 1);
        const Item it = item(index);
        const int length = it.kind == ItemKind::Image ? 1 : int(it.text.size());
        return Anchor{m_firstItem + index, std::clamp(p.offset, 0, length)};
    };
    const Anchor a = valid(anchor);
    const Anchor c = valid(caret);
    if (a == m_selAnchor && c == m_selCaret)
        return;
    m_selAnchor = a;
    m_selCaret = c;
    viewport()->update();
    Q_EMIT selectionChanged();
}

void ChatView::selectAll()
{
    if (itemCount() == 0)
        return;
    const Item last = item(itemCount() - 1);
    setSelection(Position{0, 0},
                 Position{itemCount() - 1, last.kind == ItemKind::Image ? 1 : int(last.text.size())});
}

void ChatView::deselect()
{
    setSelection(Position{int(m_selCaret.item - m_firstItem), m_selCaret.offset},
                 Position{int(m_selCaret.item - m_firstItem), m_selCaret.offset});
}

QString ChatView::selectedText() const
{
    if (!hasSelection())
        return {};
    const auto [from, to] = orderedSelection();
    const TextPos a = textPos(from);
    const TextPos b = textPos(to);
    QString text;
    for (int l = a.line; l <= b.line; ++l) {
        const Line &line = m_lines[std::size_t(l)];
        if (l > a.line)
            text += QLatin1Char('\n');
        const int start = l == a.line ? a.pos : 0;
        const int end = l == b.line ? b.pos : lengthOf(line);
        QString part = textOf(line).mid(start, std::max(0, end - start));
        part.remove(QChar(kWideMark)); // images have no text
        text += part;
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
    TextPos from;
    TextPos to;
    if (selection) {
        const auto [a, b] = orderedSelection();
        from = textPos(a);
        to = textPos(b);
    }
    const QColor highlight = palette().color(QPalette::Highlight);
    const QColor highlightText = palette().color(QPalette::HighlightedText);

    painter.translate(0, -offset);
    for (int l = lineAtY(top); l < m_laidOutLines; ++l) {
        const Line &line = m_lines[std::size_t(l)];
        const int lineY = lineTop(line);
        if (lineY > bottom)
            break;
        if (lineY + line.height < top)
            continue;
        // The part of this line inside the selection, in characters.
        int selFrom = 0;
        int selTo = 0;
        if (selection && l >= from.line && l <= to.line) {
            selFrom = l == from.line ? from.pos : 0;
            selTo = l == to.line ? to.pos : lengthOf(line);
        }
        const Layout &layout = layoutOf(l);
        const QString text = textOf(line);
        for (const Row &row : layout.rows) {
            const int rowTop = lineY + row.y;
            if (rowTop > bottom)
                break;
            if (rowTop + row.height < top)
                continue;
            for (int f = row.first; f < row.first + row.count; ++f) {
                const Fragment &fr = layout.fragments[std::size_t(f)];
                const QRect rect = pieceRect(line, row, fr);
                const int selStart = std::max(selFrom, fr.start);
                const int selEnd = std::min(selTo, fr.start + fr.length);
                if (fr.image != -2) {
                    const QPixmap pixmap = imageFor(fr.image);
                    if (!pixmap.isNull())
                        painter.drawPixmap(rect.topLeft(), pixmap);
                    if (selEnd > selStart) {
                        QColor veil = highlight;
                        veil.setAlpha(128);
                        painter.fillRect(rect, veil);
                    }
                    continue;
                }
                const LayoutFont &lf = m_layoutFonts[std::size_t(fr.style)];
                painter.setFont(lf.font);
                const int baseline = rowTop + row.baseline;
                const QString piece = text.mid(fr.start, fr.length);
                painter.setPen(m_styles[std::size_t(fr.style)].color);
                if (selEnd <= selStart) {
                    painter.drawText(rect.left(), baseline, piece);
                    continue;
                }
                const int a = selStart - fr.start;
                const int b = selEnd - fr.start;
                const Measure measure(line, text, lf);
                const int xa = measure.width(fr.start, a);
                const int xb = measure.width(fr.start, b);
                if (a > 0)
                    painter.drawText(rect.left(), baseline, piece.left(a));
                if (b < piece.size())
                    painter.drawText(rect.left() + xb, baseline, piece.mid(b));
                painter.fillRect(QRect(rect.left() + xa, rowTop, xb - xa, row.height), highlight);
                painter.setPen(highlightText);
                painter.drawText(rect.left() + xa, baseline, piece.mid(a, b - a));
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
    const int link = linkAt(point);
    m_pressedLink = link < 0 ? -1 : m_firstItem + link;
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
    setSelection(Position{int(m_selAnchor.item - m_firstItem), m_selAnchor.offset}, positionAt(point));
    event->accept();
}

void ChatView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    m_selecting = false;
    const qint64 pressed = m_pressedLink;
    m_pressedLink = -1;
    event->accept();
    if (pressed < m_firstItem || hasSelection())
        return;
    const int index = int(pressed - m_firstItem);
    if (linkAt(event->position().toPoint()) == index)
        Q_EMIT linkClicked(index, item(index).text);
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
