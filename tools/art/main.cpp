// vorlith_art: paints every picture of Vorlith with QPainter and writes them as
// PNG files (and the one JPEG of the download offer) together with the resource
// list images.qrc. Usage: vorlith_art <output folder>
//
// All drawing is vector work with a fixed palette and fixed random seeds, so a
// run on the same Qt version gives the same files.

#include "ui/tileart.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringList>
#include <QSvgGenerator>
#include <QTextStream>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// Palette

const QColor kNavy(31, 74, 109);       // the word line colour
const QColor kInk(20, 48, 74);         // darkest navy, outlines
const QColor kAmber(233, 162, 59);
const QColor kAmberLight(250, 205, 112);
const QColor kAmberDark(176, 108, 24);
const QColor kFaceInk(74, 44, 0);

QColor withAlpha(QColor c, int alpha)
{
    c.setAlpha(alpha);
    return c;
}

// A small deterministic generator (the standard distributions differ between
// library vendors; this one does not).
class Rng
{
public:
    explicit Rng(std::uint32_t seed) : m_state(seed ? seed : 1u) {}
    std::uint32_t next()
    {
        // xorshift32
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return m_state;
    }
    double uniform() { return double(next() >> 8) / double(1u << 24); }
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }

private:
    std::uint32_t m_state{1u};
};

QFont font(qreal pixelSize, int weight = QFont::Bold, qreal letterSpacing = 0)
{
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(qMax(1, qRound(pixelSize)));
    f.setWeight(QFont::Weight(weight));
    f.setStyleStrategy(QFont::PreferAntialias);
    f.setHintingPreference(QFont::PreferNoHinting);
    if (letterSpacing != 0)
        f.setLetterSpacing(QFont::AbsoluteSpacing, letterSpacing);
    return f;
}

QImage canvas(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

void prepare(QPainter &p)
{
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                     QPainter::SmoothPixmapTransform);
}

// Text path centred on a point (horizontally on the advance, vertically on the
// cap height), so that letters sit optically in the middle of a tile.
QPainterPath centredText(const QString &text, const QFont &f, QPointF centre)
{
    QPainterPath path;
    path.addText(0, 0, f, text);
    const QRectF box = path.boundingRect();
    path.translate(centre.x() - box.center().x(), centre.y() - box.center().y());
    return path;
}

// ---------------------------------------------------------------------------
// Output

class Writer
{
public:
    explicit Writer(QString root) : m_root(std::move(root)) {}

    bool save(const QImage &image, const QString &relative, const char *format = "PNG",
              int quality = -1)
    {
        const QString path = m_root + QLatin1Char('/') + relative;
        if (!QDir().mkpath(QFileInfo(path).absolutePath()))
            return fail(path);
        QImage out = image;
        if (qstrcmp(format, "PNG") == 0) {
            // Opaque pictures are stored without an alpha channel; PNG compression
            // at its strongest keeps the files small.
            out = isOpaque(image) ? image.convertToFormat(QImage::Format_RGB32)
                                  : image.convertToFormat(QImage::Format_ARGB32);
            quality = 0;
        } else {
            out = image.convertToFormat(QImage::Format_RGB32);
        }
        if (!out.save(path, format, quality))
            return fail(path);
        m_files << relative;
        std::printf("%-28s %4d x %-4d %7lld bytes\n", qPrintable(relative), image.width(),
                    image.height(), static_cast<long long>(QFileInfo(path).size()));
        return true;
    }

    // A file the program does not compile in (it stays out of images.qrc).
    bool saveFile(const QByteArray &bytes, const QString &relative)
    {
        const QString path = m_root + QLatin1Char('/') + relative;
        QSaveFile file(path);
        if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !file.open(QIODevice::WriteOnly)
            || file.write(bytes) != bytes.size() || !file.commit())
            return fail(path);
        std::printf("%-28s %18lld bytes\n", qPrintable(relative), static_cast<long long>(bytes.size()));
        return true;
    }

    bool writeQrc()
    {
        QSaveFile file(m_root + QStringLiteral("/images.qrc"));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
            return fail(file.fileName());
        QTextStream ts(&file);
        ts << "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n    <qresource prefix=\"/images\">\n";
        for (const QString &f : std::as_const(m_files))
            ts << "        <file>" << f << "</file>\n";
        ts << "    </qresource>\n</RCC>\n";
        ts.flush();
        return file.commit() || fail(file.fileName());
    }

    bool ok() const { return m_ok; }

private:
    static bool isOpaque(const QImage &img)
    {
        const QImage a = img.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < a.height(); ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(a.constScanLine(y));
            for (int x = 0; x < a.width(); ++x)
                if (qAlpha(line[x]) != 255)
                    return false;
        }
        return true;
    }

    bool fail(const QString &path)
    {
        std::fprintf(stderr, "vorlith_art: cannot write %s\n", qPrintable(path));
        m_ok = false;
        return false;
    }

    QString m_root;
    QStringList m_files;
    bool m_ok{true};
};

// ---------------------------------------------------------------------------
// Letter tiles

// The tiles themselves are the program's own drawing (ui/tileart), so the
// files, the logo and the board at any screen density show the same tile.
void paintTileBody(QPainter &p, QRectF square)
{
    vorlith::ui::tiles::paintBody(p, square);
}

void paintTileLetter(QPainter &p, QRectF square, const QString &letter)
{
    vorlith::ui::tiles::paintLetter(p, square, letter);
}

QImage tileImage(int size, int index)
{
    QImage img = canvas(size, size);
    QPainter p(&img);
    prepare(p);
    vorlith::ui::tiles::paint(p, QRectF(0, 0, size, size), index);
    return img;
}

// ---------------------------------------------------------------------------
// Smileys (17 x 16)

enum class Face
{
    Smile,
    Grin,
    Wink,
    Sad,
    Surprised,
    Tongue,
    Cool,
    Angry,
    Crying,
    Laughing,
    Love,
    Confused,
    Sleepy,
    Blush,
    Neutral,
    Kiss,
    Devil,
    Sick
};

void heart(QPainter &p, QPointF c, qreal size, const QColor &colour)
{
    QPainterPath h;
    const qreal s = size;
    h.moveTo(c.x(), c.y() + s * 0.45);
    h.cubicTo(c.x() - s * 0.9, c.y() - s * 0.1, c.x() - s * 0.35, c.y() - s * 0.75, c.x(),
              c.y() - s * 0.25);
    h.cubicTo(c.x() + s * 0.35, c.y() - s * 0.75, c.x() + s * 0.9, c.y() - s * 0.1, c.x(),
              c.y() + s * 0.45);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(h);
}

void paintFace(QPainter &p, QRectF box, Face face)
{
    // Work in a 17 x 16 design grid, scaled to the box.
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width() / 17.0, box.height() / 16.0);

    const QPointF c(8.5, 8.0);
    const qreal r = 7.35;

    QColor light(255, 234, 120), dark(240, 176, 10), rim(150, 100, 0);
    if (face == Face::Angry) {
        light = QColor(255, 160, 110);
        dark = QColor(226, 60, 40);
        rim = QColor(130, 20, 10);
    } else if (face == Face::Devil) {
        light = QColor(196, 160, 245);
        dark = QColor(112, 64, 190);
        rim = QColor(60, 24, 110);
    } else if (face == Face::Sick) {
        light = QColor(200, 236, 140);
        dark = QColor(116, 176, 60);
        rim = QColor(50, 100, 20);
    }

    if (face == Face::Devil) {
        // horns behind the head
        QPainterPath horns;
        horns.moveTo(3.0, 4.6);
        horns.lineTo(1.6, 0.4);
        horns.lineTo(5.8, 2.6);
        horns.closeSubpath();
        horns.moveTo(14.0, 4.6);
        horns.lineTo(15.4, 0.4);
        horns.lineTo(11.2, 2.6);
        horns.closeSubpath();
        p.setPen(QPen(rim, 0.7));
        p.setBrush(QColor(210, 40, 40));
        p.drawPath(horns);
    }

    QRadialGradient g(QPointF(7.0, 5.5), 9.5);
    g.setColorAt(0.0, light);
    g.setColorAt(1.0, dark);
    p.setPen(QPen(rim, 0.9));
    p.setBrush(g);
    p.drawEllipse(c, r, r);
    // a little gloss
    p.setPen(Qt::NoPen);
    p.setBrush(withAlpha(Qt::white, 70));
    p.drawEllipse(QPointF(6.6, 3.9), 3.2, 1.6);

    const QColor ink = face == Face::Devil ? QColor(40, 10, 70) : kFaceInk;
    const QPen line(ink, 1.05, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    auto dotEyes = [&](qreal rx = 0.95, qreal ry = 1.35, qreal y = 6.3) {
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawEllipse(QPointF(6.1, y), rx, ry);
        p.drawEllipse(QPointF(10.9, y), rx, ry);
    };
    auto arcEye = [&](QPointF at, bool up) {
        // a closed eye: ^ when up (happy), a drooping lid otherwise
        QPainterPath e;
        e.moveTo(at.x() - 1.4, at.y() + (up ? 0.6 : -0.4));
        e.quadTo(at.x(), at.y() + (up ? -1.4 : 1.2), at.x() + 1.4, at.y() + (up ? 0.6 : -0.4));
        p.setPen(line);
        p.setBrush(Qt::NoBrush);
        p.drawPath(e);
    };
    auto smile = [&](qreal depth = 2.6, qreal y = 9.6, qreal half = 3.4) {
        QPainterPath m;
        m.moveTo(c.x() - half, y);
        m.quadTo(c.x(), y + depth * 1.6, c.x() + half, y);
        p.setPen(line);
        p.setBrush(Qt::NoBrush);
        p.drawPath(m);
    };
    auto openMouth = [&](qreal top, qreal bottom, qreal half, bool teeth) {
        QPainterPath m;
        m.moveTo(c.x() - half, top);
        m.lineTo(c.x() + half, top);
        m.quadTo(c.x() + half * 0.9, bottom, c.x(), bottom);
        m.quadTo(c.x() - half * 0.9, bottom, c.x() - half, top);
        p.setPen(QPen(ink, 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(QColor(120, 30, 20));
        p.drawPath(m);
        if (teeth) {
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(c.x() - half + 0.7, top + 0.4, half * 2 - 1.4, 1.2));
        }
    };

    switch (face) {
    case Face::Smile:
        dotEyes();
        smile();
        break;
    case Face::Grin:
        dotEyes();
        openMouth(9.2, 13.6, 4.0, true);
        break;
    case Face::Wink:
        arcEye(QPointF(6.1, 6.6), true);
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawEllipse(QPointF(10.9, 6.3), 0.95, 1.35);
        smile(2.4, 9.8, 3.4);
        break;
    case Face::Sad: {
        dotEyes();
        QPainterPath m;
        m.moveTo(c.x() - 3.0, 12.4);
        m.quadTo(c.x(), 8.9, c.x() + 3.0, 12.4);
        p.setPen(line);
        p.setBrush(Qt::NoBrush);
        p.drawPath(m);
        break;
    }
    case Face::Surprised:
        p.setPen(line);
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(4.3, 2.4, 3.6, 2.4), 30 * 16, 120 * 16);
        p.drawArc(QRectF(9.1, 2.4, 3.6, 2.4), 30 * 16, 120 * 16);
        dotEyes(1.15, 1.6, 6.6);
        p.setBrush(QColor(120, 30, 20));
        p.setPen(QPen(ink, 0.8));
        p.drawEllipse(QPointF(c.x(), 11.5), 1.5, 1.9);
        break;
    case Face::Tongue: {
        dotEyes();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(236, 90, 110));
        QPainterPath t;
        t.moveTo(c.x() - 1.9, 10.6);
        t.lineTo(c.x() + 1.9, 10.6);
        t.lineTo(c.x() + 1.9, 12.4);
        t.quadTo(c.x() + 1.9, 14.2, c.x(), 14.2);
        t.quadTo(c.x() - 1.9, 14.2, c.x() - 1.9, 12.4);
        t.closeSubpath();
        p.drawPath(t);
        p.setPen(QPen(QColor(180, 40, 60), 0.5));
        p.drawLine(QPointF(c.x(), 11.0), QPointF(c.x(), 12.8));
        QPainterPath m;
        m.moveTo(c.x() - 3.6, 10.0);
        m.quadTo(c.x(), 11.8, c.x() + 3.6, 10.0);
        p.setPen(line);
        p.setBrush(Qt::NoBrush);
        p.drawPath(m);
        break;
    }
    case Face::Cool: {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(20, 20, 28));
        p.drawRoundedRect(QRectF(2.6, 4.6, 5.2, 3.3), 1.2, 1.2);
        p.drawRoundedRect(QRectF(9.2, 4.6, 5.2, 3.3), 1.2, 1.2);
        p.drawRect(QRectF(7.4, 5.0, 2.2, 0.9));
        p.setBrush(withAlpha(Qt::white, 150));
        p.drawEllipse(QPointF(4.2, 5.5), 0.9, 0.45);
        p.drawEllipse(QPointF(10.8, 5.5), 0.9, 0.45);
        smile(2.2, 10.2, 3.0);
        break;
    }
    case Face::Angry: {
        p.setPen(line);
        p.drawLine(QPointF(4.2, 3.9), QPointF(7.4, 5.4));
        p.drawLine(QPointF(12.8, 3.9), QPointF(9.6, 5.4));
        dotEyes(0.9, 1.1, 7.0);
        QPainterPath m;
        m.moveTo(c.x() - 2.8, 12.2);
        m.quadTo(c.x(), 10.2, c.x() + 2.8, 12.2);
        p.setPen(line);
        p.setBrush(Qt::NoBrush);
        p.drawPath(m);
        break;
    }
    case Face::Crying: {
        arcEye(QPointF(6.1, 6.0), false);
        arcEye(QPointF(10.9, 6.0), false);
        QPainterPath m;
        m.moveTo(c.x() - 2.8, 12.4);
        m.quadTo(c.x(), 9.4, c.x() + 2.8, 12.4);
        p.setPen(line);
        p.setBrush(Qt::NoBrush);
        p.drawPath(m);
        QPainterPath tear;
        tear.moveTo(4.6, 7.4);
        tear.quadTo(3.3, 9.9, 4.6, 10.7);
        tear.quadTo(5.9, 9.9, 4.6, 7.4);
        p.setPen(QPen(QColor(30, 90, 170), 0.4));
        p.setBrush(QColor(110, 180, 250));
        p.drawPath(tear);
        break;
    }
    case Face::Laughing: {
        p.setPen(line);
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({QPointF(4.6, 4.9), QPointF(6.9, 6.2), QPointF(4.6, 7.4)}));
        p.drawPolyline(QPolygonF({QPointF(12.4, 4.9), QPointF(10.1, 6.2), QPointF(12.4, 7.4)}));
        openMouth(8.9, 14.0, 4.3, false);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(236, 90, 110));
        p.drawEllipse(QPointF(c.x(), 12.6), 1.8, 0.9);
        break;
    }
    case Face::Love:
        heart(p, QPointF(5.9, 6.4), 3.5, QColor(226, 30, 60));
        heart(p, QPointF(11.1, 6.4), 3.5, QColor(226, 30, 60));
        smile(2.4, 10.0, 3.2);
        break;
    case Face::Confused: {
        p.setPen(line);
        p.drawLine(QPointF(9.6, 3.6), QPointF(12.4, 3.2));
        dotEyes();
        QPainterPath m;
        m.moveTo(4.9, 11.4);
        m.cubicTo(6.2, 9.8, 7.4, 12.8, 8.6, 11.3);
        m.cubicTo(9.8, 9.8, 11.0, 12.6, 12.2, 10.8);
        p.setBrush(Qt::NoBrush);
        p.drawPath(m);
        break;
    }
    case Face::Sleepy: {
        arcEye(QPointF(5.9, 6.6), false);
        arcEye(QPointF(10.7, 6.6), false);
        p.setPen(QPen(ink, 0.8));
        p.setBrush(QColor(120, 30, 20));
        p.drawEllipse(QPointF(8.3, 11.4), 1.0, 1.1);
        // a small blue z
        p.setPen(QPen(QColor(25, 80, 190), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF(
            {QPointF(12.4, 0.9), QPointF(15.6, 0.9), QPointF(12.4, 4.1), QPointF(15.6, 4.1)}));
        break;
    }
    case Face::Blush:
        p.setPen(Qt::NoPen);
        p.setBrush(withAlpha(QColor(240, 90, 110), 130));
        p.drawEllipse(QPointF(4.2, 9.2), 1.7, 1.1);
        p.drawEllipse(QPointF(12.8, 9.2), 1.7, 1.1);
        arcEye(QPointF(6.1, 6.4), true);
        arcEye(QPointF(10.9, 6.4), true);
        smile(1.8, 10.2, 2.4);
        break;
    case Face::Neutral:
        dotEyes();
        p.setPen(line);
        p.drawLine(QPointF(5.4, 11.0), QPointF(11.6, 11.0));
        break;
    case Face::Kiss: {
        arcEye(QPointF(6.1, 6.4), true);
        arcEye(QPointF(10.9, 6.4), true);
        QPainterPath m;
        m.moveTo(7.8, 9.4);
        m.quadTo(9.9, 10.0, 8.1, 11.0);
        m.quadTo(9.9, 12.0, 7.8, 12.6);
        p.setPen(line);
        p.setBrush(Qt::NoBrush);
        p.drawPath(m);
        heart(p, QPointF(13.3, 11.4), 3.0, QColor(226, 30, 60));
        break;
    }
    case Face::Devil: {
        p.setPen(line);
        p.drawLine(QPointF(4.3, 4.6), QPointF(7.3, 5.9));
        p.drawLine(QPointF(12.7, 4.6), QPointF(9.7, 5.9));
        dotEyes(0.9, 1.1, 7.2);
        QPainterPath m;
        m.moveTo(4.4, 9.4);
        m.quadTo(c.x(), 14.4, 12.6, 9.4);
        m.quadTo(c.x(), 11.6, 4.4, 9.4);
        p.setPen(QPen(ink, 0.7));
        p.setBrush(Qt::white);
        p.drawPath(m);
        break;
    }
    case Face::Sick: {
        p.setPen(line);
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(4.8, 6.3), QPointF(7.3, 6.3));
        p.drawLine(QPointF(9.7, 6.3), QPointF(12.2, 6.3));
        QPainterPath m;
        m.moveTo(4.9, 11.2);
        m.quadTo(6.1, 9.6, 7.3, 11.2);
        m.quadTo(8.5, 12.8, 9.7, 11.2);
        m.quadTo(10.9, 9.6, 12.1, 11.2);
        p.drawPath(m);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(110, 180, 250));
        p.drawEllipse(QPointF(13.6, 4.2), 0.8, 1.1);
        break;
    }
    }
    p.restore();
}

// ---------------------------------------------------------------------------
// The eyes of a seat that is just watching (23 x 10)

QImage eyesImage()
{
    QImage img = canvas(23, 10);
    QPainter p(&img);
    prepare(p);
    for (const qreal cx : {5.9, 17.1}) {
        QRadialGradient g(QPointF(cx - 1.2, 3.3), 6.5);
        g.setColorAt(0.0, Qt::white);
        g.setColorAt(1.0, QColor(214, 222, 232));
        p.setPen(QPen(kInk, 1.0));
        p.setBrush(g);
        p.drawEllipse(QPointF(cx, 5.0), 5.1, 4.3);
        p.setPen(Qt::NoPen);
        p.setBrush(kNavy);
        p.drawEllipse(QPointF(cx + 1.7, 5.6), 2.4, 2.4);
        p.setBrush(QColor(8, 20, 32));
        p.drawEllipse(QPointF(cx + 1.9, 5.7), 1.25, 1.25);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(cx + 1.1, 4.6), 0.65, 0.65);
    }
    return img;
}

// ---------------------------------------------------------------------------
// Buttons

enum class Tone
{
    Navy,
    Amber
};
enum class Press
{
    Up,
    Hot,
    Down
}; // resting, under the mouse, pressed

QImage captionButton(QSize size, const QString &caption, Tone tone, Press state)
{
    const bool down = state == Press::Down;
    QImage img = canvas(size.width(), size.height());
    QPainter p(&img);
    prepare(p);
    const QRectF r = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(0.5, 0.5, -0.5, -1.5);
    const qreal radius = r.height() / 2.0;

    // soft shadow under the button
    p.setPen(Qt::NoPen);
    p.setBrush(withAlpha(QColor(10, 20, 30), down ? 40 : 70));
    p.drawRoundedRect(r.translated(0, 1.0), radius, radius);

    QColor top, bottom, border, text, textShadow;
    if (tone == Tone::Navy) {
        top = QColor(58, 116, 166);
        bottom = QColor(24, 60, 94);
        border = QColor(12, 34, 54);
        text = QColor(255, 246, 222);
        textShadow = withAlpha(QColor(5, 15, 25), 190);
    } else {
        top = QColor(252, 206, 112);
        bottom = QColor(214, 134, 30);
        border = QColor(128, 74, 10);
        text = kInk;
        textShadow = withAlpha(QColor(255, 240, 200), 170);
    }
    if (down) {
        top = top.darker(118);
        bottom = bottom.darker(112);
    } else if (state == Press::Hot) {
        top = top.lighter(112);
        bottom = bottom.lighter(115);
    }
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0.0, down ? bottom : top);
    g.setColorAt(1.0, down ? top : bottom);
    p.setBrush(g);
    p.setPen(QPen(border, 1.0));
    p.drawRoundedRect(r, radius, radius);

    if (!down) {
        // gloss on the upper half and a thin light rim
        QPainterPath gloss;
        const QRectF gr = r.adjusted(2.0, 1.5, -2.0, -r.height() / 2.0);
        gloss.addRoundedRect(gr, gr.height() / 2.0, gr.height() / 2.0);
        QLinearGradient gg(gr.topLeft(), gr.bottomLeft());
        gg.setColorAt(0.0, withAlpha(Qt::white, 95));
        gg.setColorAt(1.0, withAlpha(Qt::white, 12));
        p.setPen(Qt::NoPen);
        p.setBrush(gg);
        p.drawPath(gloss);
    } else {
        // pressed in: a shadow along the top inner edge
        QLinearGradient sh(r.topLeft(), r.bottomLeft());
        sh.setColorAt(0.0, withAlpha(Qt::black, 70));
        sh.setColorAt(0.35, withAlpha(Qt::black, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(sh);
        p.drawRoundedRect(r, radius, radius);
    }

    // the caption as large as fits, with a little air between the letters
    QFont f = font(13.5, QFont::Bold, 1.2);
    for (qreal px = 13.5; px > 9; px -= 0.5) {
        f = font(px, QFont::Bold, px > 12 ? 1.2 : 0.6);
        if (QFontMetricsF(f).horizontalAdvance(caption) <= r.width() - 2 * radius)
            break;
    }
    const QPointF centre = r.center() + QPointF(down ? 0.6 : 0.0, down ? 0.9 : 0.0);
    const QPainterPath label = centredText(caption, f, centre);
    p.setPen(Qt::NoPen);
    p.setBrush(textShadow);
    p.drawPath(label.translated(0, tone == Tone::Navy ? 1.0 : 0.9));
    p.setBrush(text);
    p.drawPath(label);
    return img;
}

// The body shared by the small chat buttons above the chat.
void paintSmallButtonBody(QPainter &p, QRectF r)
{
    p.setPen(Qt::NoPen);
    p.setBrush(withAlpha(QColor(10, 20, 30), 60));
    p.drawRoundedRect(r.translated(0, 1.0), 4.5, 4.5);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0.0, QColor(62, 122, 172));
    g.setColorAt(1.0, QColor(26, 64, 100));
    p.setBrush(g);
    p.setPen(QPen(QColor(12, 34, 54), 1.0));
    p.drawRoundedRect(r, 4.5, 4.5);
    QLinearGradient gloss(r.topLeft(), r.bottomLeft());
    gloss.setColorAt(0.0, withAlpha(Qt::white, 80));
    gloss.setColorAt(0.5, withAlpha(Qt::white, 10));
    gloss.setColorAt(0.51, withAlpha(Qt::white, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(gloss);
    p.drawRoundedRect(r.adjusted(1.5, 1.2, -1.5, -1.0), 3.5, 3.5);
}

const QSize kSmallButton(22, 21);

QImage phraseButton(int number)
{
    QImage img = canvas(kSmallButton.width(), kSmallButton.height());
    QPainter p(&img);
    prepare(p);
    const QRectF r =
        QRectF(0, 0, kSmallButton.width(), kSmallButton.height()).adjusted(0.5, 0.5, -0.5, -1.5);
    paintSmallButtonBody(p, r);

    // a speech bubble holding the button's number
    const QRectF bubble(3.6, 2.6, 14.8, 11.6);
    QPainterPath path;
    path.addRoundedRect(bubble, 4.2, 4.2);
    QPainterPath tail;
    tail.moveTo(6.2, bubble.bottom() - 1.0);
    tail.lineTo(5.0, bubble.bottom() + 3.6);
    tail.lineTo(10.0, bubble.bottom() - 1.0);
    tail.closeSubpath();
    path = path.united(tail);
    p.setPen(QPen(QColor(12, 34, 54), 0.8));
    QLinearGradient g(bubble.topLeft(), bubble.bottomLeft());
    g.setColorAt(0.0, QColor(255, 252, 236));
    g.setColorAt(1.0, QColor(240, 226, 178));
    p.setBrush(g);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(kNavy);
    p.drawPath(centredText(QString::number(number), font(9.5), bubble.center() + QPointF(0.1, 0)));
    return img;
}

QImage chatterButton()
{
    QImage img = canvas(kSmallButton.width(), kSmallButton.height());
    QPainter p(&img);
    prepare(p);
    const QRectF r =
        QRectF(0, 0, kSmallButton.width(), kSmallButton.height()).adjusted(0.5, 0.5, -0.5, -1.5);
    paintSmallButtonBody(p, r);

    // loudspeaker
    QPainterPath speaker;
    speaker.moveTo(3.6, 7.4);
    speaker.lineTo(6.2, 7.4);
    speaker.lineTo(10.0, 4.0);
    speaker.lineTo(10.0, 15.6);
    speaker.lineTo(6.2, 12.2);
    speaker.lineTo(3.6, 12.2);
    speaker.closeSubpath();
    p.setPen(QPen(QColor(12, 34, 54), 0.7));
    p.setBrush(QColor(250, 244, 222));
    p.drawPath(speaker);
    // sound waves in amber
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kAmberLight, 1.3, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(8.4, 6.4, 6.4, 7.2), -50 * 16, 100 * 16);
    p.setPen(QPen(kAmber, 1.3, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(8.0, 3.6, 10.4, 12.6), -50 * 16, 100 * 16);
    return img;
}

QImage smileyButton()
{
    QImage img = canvas(kSmallButton.width(), kSmallButton.height());
    QPainter p(&img);
    prepare(p);
    const QRectF r =
        QRectF(0, 0, kSmallButton.width(), kSmallButton.height()).adjusted(0.5, 0.5, -0.5, -1.5);
    paintSmallButtonBody(p, r);
    paintFace(p, QRectF(3.0, 2.0, 16.0, 15.0), Face::Grin);
    return img;
}

// ---------------------------------------------------------------------------
// Clock bar and frame

// The clock's caption is drawn over the bar and its frame, so both stay light
// enough for dark text.
QImage timerFrame()
{
    QImage img = canvas(123, 25);
    QPainter p(&img);
    prepare(p);
    const QRectF outer(0.5, 0.5, 122, 24);
    QLinearGradient g(outer.topLeft(), outer.bottomLeft());
    g.setColorAt(0.0, QColor(92, 142, 184));
    g.setColorAt(1.0, QColor(36, 78, 116));
    p.setPen(QPen(QColor(16, 40, 62), 1.0));
    p.setBrush(g);
    p.drawRoundedRect(outer, 5, 5);
    // the groove the bar runs in: pale, with a shadow along its top edge
    const QRectF groove(3, 3, 120, 19);
    QLinearGradient gg(groove.topLeft(), groove.bottomLeft());
    gg.setColorAt(0.0, QColor(214, 208, 180));
    gg.setColorAt(0.25, QColor(246, 242, 222));
    gg.setColorAt(1.0, QColor(252, 250, 238));
    p.setPen(Qt::NoPen);
    p.setBrush(gg);
    p.drawRoundedRect(groove, 2.5, 2.5);
    // tick marks every ten pixels (ten seconds of the bar)
    p.setPen(QPen(withAlpha(kNavy, 70), 1.0));
    for (int x = 13; x < 123; x += 10)
        p.drawLine(QPointF(x + 0.5, 18.0), QPointF(x + 0.5, 21.0));
    // light along the top rim
    p.setPen(QPen(withAlpha(Qt::white, 90), 1.0));
    p.drawLine(QPointF(5, 1.5), QPointF(118, 1.5));
    return img;
}

QImage timerBar()
{
    // Stretched to the seconds left, so it is uniform along its width.
    QImage img = canvas(120, 19);
    QPainter p(&img);
    prepare(p);
    QLinearGradient g(0, 0, 0, 19);
    g.setColorAt(0.0, QColor(255, 236, 178));
    g.setColorAt(0.45, QColor(250, 200, 110));
    g.setColorAt(0.55, QColor(244, 184, 84));
    g.setColorAt(1.0, QColor(222, 150, 50));
    p.fillRect(QRectF(0, 0, 120, 19), g);
    p.fillRect(QRectF(0, 0, 120, 1), withAlpha(Qt::white, 140));
    p.fillRect(QRectF(0, 18, 120, 1), withAlpha(QColor(150, 90, 10), 140));
    return img;
}

// ---------------------------------------------------------------------------
// Background of the main window (766 x 526), shared by the secondary windows

// Smooth value noise in [0, 1] on a lattice of the given cell size.
class ValueNoise
{
public:
    ValueNoise(int w, int h, int cell, std::uint32_t seed) : m_cell(cell)
    {
        m_cols = w / cell + 3;
        m_rows = h / cell + 3;
        Rng rng(seed);
        m_values.resize(std::size_t(m_cols * m_rows));
        for (double &v : m_values)
            v = rng.uniform();
    }
    double at(double x, double y) const
    {
        const double fx = x / m_cell, fy = y / m_cell;
        const int ix = int(fx), iy = int(fy);
        const double tx = smooth(fx - ix), ty = smooth(fy - iy);
        const double a = v(ix, iy), b = v(ix + 1, iy), c = v(ix, iy + 1), d = v(ix + 1, iy + 1);
        return (a * (1 - tx) + b * tx) * (1 - ty) + (c * (1 - tx) + d * tx) * ty;
    }

private:
    static double smooth(double t) { return t * t * (3 - 2 * t); }
    double v(int x, int y) const { return m_values[std::size_t(y * m_cols + x)]; }
    int m_cell{1};
    int m_cols{0};
    int m_rows{0};
    std::vector<double> m_values;
};

QImage background()
{
    const int w = 766, h = 526;
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);

    // warm paper: a gentle diagonal gradient, cloudy fibres and a faint grain
    const ValueNoise coarse(w, h, 96, 11), medium(w, h, 28, 23), fine(w, h, 6, 37);
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const double t = (double(x) / w * 0.6 + double(y) / h * 0.4);
            double r = 247 - 8 * t, g = 242 - 10 * t, b = 214 - 16 * t;
            const double n = (coarse.at(x, y) - 0.5) * 7.0 + (medium.at(x, y) - 0.5) * 4.0 +
                             (fine.at(x, y) - 0.5) * 3.0;
            r += n;
            g += n;
            b += n * 0.8;
            line[x] = qRgb(qBound(0, int(r), 255), qBound(0, int(g), 255), qBound(0, int(b), 255));
        }
    }

    QPainter p(&img);
    prepare(p);

    // watermark of letters strewn evenly (one in each cell of a loose grid), barely there
    Rng rng(2024);
    const QString letters = QStringLiteral("VORLITHWORDSABCDEFGKMNPQSUXYZ");
    const int cols = 10, rows = 7;
    for (int i = 0; i < cols * rows; ++i) {
        const qreal cellW = qreal(w) / cols, cellH = qreal(h) / rows;
        const QPointF at((i % cols + rng.range(0.15, 0.85)) * cellW,
                         (i / cols + rng.range(0.15, 0.85)) * cellH);
        const qreal size = rng.range(24, 58);
        const QChar ch = letters.at(int(rng.uniform() * letters.size()) % letters.size());
        p.save();
        p.translate(at);
        p.rotate(rng.range(-28, 28));
        const QPainterPath path = centredText(QString(ch), font(size), QPointF(0, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(withAlpha(kNavy, 11));
        p.drawPath(path);
        p.setBrush(withAlpha(Qt::white, 22));
        p.drawPath(path.translated(-1, -1));
        p.restore();
    }

    // a soft warm vignette
    QRadialGradient vignette(QPointF(w * 0.45, h * 0.42), w * 0.75);
    vignette.setColorAt(0.0, withAlpha(QColor(120, 90, 40), 0));
    vignette.setColorAt(0.7, withAlpha(QColor(120, 90, 40), 8));
    vignette.setColorAt(1.0, withAlpha(QColor(110, 80, 30), 40));
    p.fillRect(img.rect(), vignette);

    // frame: a navy line with an amber hairline inside it
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kNavy, 2.0));
    p.drawRect(QRectF(1, 1, w - 2, h - 2));
    p.setPen(QPen(withAlpha(kAmber, 200), 1.0));
    p.drawRect(QRectF(3.5, 3.5, w - 7, h - 7));
    return img;
}

// ---------------------------------------------------------------------------
// Logos and icon

// A row of small tiles spelling the game's name, each a little turned.
void paintTileWord(QPainter &p, const QString &word, QPointF origin, qreal tile, qreal step,
                   std::uint32_t seed)
{
    Rng rng(seed);
    for (int i = 0; i < word.size(); ++i) {
        const qreal angle = rng.range(-5, 5);
        const qreal dy = rng.range(-tile * 0.05, tile * 0.05);
        p.save();
        p.translate(origin.x() + i * step + tile / 2, origin.y() + dy + tile / 2);
        p.rotate(angle);
        const QRectF square(-tile / 2, -tile / 2, tile, tile);
        paintTileBody(p, square);
        paintTileLetter(p, square, word.mid(i, 1));
        p.restore();
    }
}

QImage logo()
{
    QImage img = canvas(232, 46);
    QPainter p(&img);
    prepare(p);
    // an amber swash under the tiles
    QPainterPath swash;
    swash.moveTo(6, 41);
    swash.cubicTo(70, 36, 160, 45, 226, 38);
    swash.lineTo(226, 41);
    swash.cubicTo(160, 48, 70, 40, 6, 43.5);
    swash.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kAmber);
    p.drawPath(swash);
    paintTileWord(p, QStringLiteral("VORLITH"), QPointF(4, 3), 33, 32, 77);
    return img;
}

QImage aboutLogo()
{
    QImage img = canvas(300, 120);
    QPainter p(&img);
    prepare(p);
    paintTileWord(p, QStringLiteral("VORLITH"), QPointF(5, 8), 42, 41.5, 78);
    // tagline between two amber rules
    const QFont f = font(10, QFont::Bold, 1.5);
    const QString tag = QStringLiteral("FIND WORDS \u00B7 BEAT THE CLOCK");
    const QPainterPath text = centredText(tag, f, QPointF(150, 76));
    const QRectF tb = text.boundingRect();
    p.setPen(QPen(kAmber, 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 76), QPointF(tb.left() - 8, 76));
    p.drawLine(QPointF(tb.right() + 8, 76), QPointF(290, 76));
    p.setPen(Qt::NoPen);
    p.setBrush(kNavy);
    p.drawPath(text);
    const QPainterPath maker = centredText(QStringLiteral("BRAKMO SOFTWARE"),
                                           font(10, QFont::DemiBold, 3.0), QPointF(150, 100));
    p.setBrush(withAlpha(kInk, 170));
    p.drawPath(maker);
    return img;
}

// The application icon drawn on a 256 x 256 canvas; \a size is the size it
// will be seen at, which decides how much detail it gets.
void paintAppIcon(QPainter &p, int size)
{
    if (size <= 32) {
        // too small for the two tiles: one large tile that fills the square
        const QRectF square(4, 4, 248, 248);
        paintTileBody(p, square);
        paintTileLetter(p, square, QStringLiteral("V"));
        return;
    }
    // rounded navy square
    const QRectF base(8, 8, 240, 240);
    QLinearGradient g(base.topLeft(), base.bottomLeft());
    g.setColorAt(0.0, QColor(60, 124, 178));
    g.setColorAt(1.0, QColor(20, 50, 82));
    p.setPen(QPen(QColor(10, 28, 46), 4));
    p.setBrush(g);
    p.drawRoundedRect(base, 52, 52);
    p.setPen(Qt::NoPen);
    p.setBrush(withAlpha(Qt::white, 40));
    p.drawRoundedRect(QRectF(20, 16, 216, 100), 44, 44);
    // an amber tile peeking out behind the cream one
    p.save();
    p.translate(160, 150);
    p.rotate(14);
    QLinearGradient ag(QPointF(-60, -60), QPointF(60, 60));
    ag.setColorAt(0.0, kAmberLight);
    ag.setColorAt(1.0, kAmberDark);
    p.setBrush(withAlpha(Qt::black, 60));
    p.drawRoundedRect(QRectF(-54, -50, 112, 112), 16, 16);
    p.setBrush(ag);
    p.setPen(QPen(QColor(110, 64, 10), 3));
    p.drawRoundedRect(QRectF(-58, -58, 112, 112), 16, 16);
    p.restore();
    // the cream tile with its V
    p.save();
    p.translate(108, 118);
    p.rotate(-7);
    const QRectF square(-78, -78, 156, 156);
    paintTileBody(p, square);
    paintTileLetter(p, square, QStringLiteral("V"));
    p.restore();
}

QImage appIcon(int size)
{
    QImage img = canvas(size, size);
    QPainter p(&img);
    prepare(p);
    p.scale(size / 256.0, size / 256.0);
    paintAppIcon(p, size);
    return img;
}

// The same drawing as a scalable picture, for the desktop's icon theme.
QByteArray appIconSvg()
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(QSize(256, 256));
    svg.setViewBox(QRect(0, 0, 256, 256));
    svg.setTitle(QStringLiteral("Vorlith"));
    svg.setDescription(QStringLiteral("Vorlith application icon: two letter tiles"));
    QPainter p(&svg);
    prepare(p);
    paintAppIcon(p, 256);
    p.end();
    // Pixels rather than the generator's millimetres: icon themes think in pixels.
    QString text = QString::fromUtf8(buffer.data());
    text.replace(QRegularExpression(QStringLiteral("<svg width=\"[^\"]*\" height=\"[^\"]*\"")),
                 QStringLiteral("<svg width=\"256\" height=\"256\""));
    return text.toUtf8();
}

// ---------------------------------------------------------------------------
// Link cursor (32 x 32): a pointing hand; the hot spot is the fingertip.

const QPoint kCursorHotSpot(10, 1);

QImage linkCursor()
{
    QImage img = canvas(32, 32);
    QPainter p(&img);
    prepare(p);
    QPainterPath hand;
    // index finger, tip at (10.5, 1)
    hand.moveTo(8.0, 15.0);
    hand.lineTo(8.0, 3.5);
    hand.cubicTo(8.0, 0.2, 13.0, 0.2, 13.0, 3.5);
    hand.lineTo(13.0, 11.0);
    // middle, ring and little finger knuckles
    hand.cubicTo(13.2, 8.6, 17.6, 8.6, 17.8, 11.0);
    hand.cubicTo(18.0, 9.2, 22.2, 9.2, 22.4, 11.8);
    hand.cubicTo(22.6, 10.2, 26.6, 10.4, 26.6, 13.0);
    // back of the hand and wrist
    hand.lineTo(26.6, 20.0);
    hand.cubicTo(26.6, 24.0, 24.8, 26.0, 23.6, 27.4);
    hand.lineTo(23.6, 30.4);
    hand.lineTo(11.6, 30.4);
    hand.lineTo(11.6, 27.6);
    // thumb
    hand.cubicTo(9.4, 25.6, 6.6, 22.4, 3.6, 18.8);
    hand.cubicTo(2.2, 17.0, 4.0, 14.0, 6.4, 15.8);
    hand.lineTo(8.0, 17.4);
    hand.closeSubpath();
    p.setPen(QPen(Qt::black, 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawPath(hand);
    // creases between the fingers
    p.setPen(QPen(withAlpha(Qt::black, 200), 1.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(13.0, 11.0), QPointF(13.0, 15.0));
    p.drawLine(QPointF(17.8, 11.0), QPointF(17.8, 15.0));
    p.drawLine(QPointF(22.4, 11.8), QPointF(22.4, 15.2));
    // cuff
    p.setPen(QPen(Qt::black, 1.0));
    p.drawLine(QPointF(11.6, 27.6), QPointF(23.6, 27.6));
    return img;
}

// ---------------------------------------------------------------------------
// Panels

QImage helpPanel()
{
    const int w = 411, h = 520;
    QImage img = canvas(w, h);
    QPainter p(&img);
    prepare(p);
    const QRectF card(1, 1, w - 2, h - 2);
    QLinearGradient g(card.topLeft(), card.bottomLeft());
    g.setColorAt(0.0, QColor(253, 250, 234));
    g.setColorAt(1.0, QColor(240, 232, 196));
    p.setPen(QPen(kNavy, 2.0));
    p.setBrush(g);
    p.drawRoundedRect(card, 10, 10);
    // title band
    QPainterPath band;
    band.addRoundedRect(QRectF(2, 2, w - 4, 46), 9, 9);
    band.addRect(QRectF(2, 30, w - 4, 18));
    band.setFillRule(Qt::WindingFill);
    QLinearGradient bg(0, 2, 0, 48);
    bg.setColorAt(0.0, QColor(58, 116, 166));
    bg.setColorAt(1.0, QColor(24, 60, 94));
    p.setPen(Qt::NoPen);
    p.setBrush(bg);
    p.drawPath(band.simplified());
    p.fillRect(QRectF(2, 48, w - 4, 3), kAmber);
    return img;
}

QImage winnerBanner()
{
    const int w = 383, h = 41;
    QImage img = canvas(w, h);
    QPainter p(&img);
    prepare(p);
    const QRectF r(1, 1, w - 2, h - 3);
    p.setPen(Qt::NoPen);
    p.setBrush(withAlpha(Qt::black, 60));
    p.drawRoundedRect(r.translated(0, 1.5), 8, 8);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0.0, QColor(255, 236, 178));
    g.setColorAt(0.5, kAmberLight);
    g.setColorAt(1.0, QColor(230, 160, 60));
    p.setBrush(g);
    p.setPen(QPen(kAmberDark.darker(130), 1.5));
    p.drawRoundedRect(r, 8, 8);
    p.setPen(QPen(withAlpha(Qt::white, 120), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(3, 3, -3, -3), 6, 6);
    // stars at both ends
    auto star = [&](QPointF c, qreal outerR) {
        QPolygonF poly;
        for (int i = 0; i < 10; ++i) {
            const qreal a = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
            const qreal rr = (i % 2) ? outerR * 0.45 : outerR;
            poly << QPointF(c.x() + rr * std::cos(a), c.y() + rr * std::sin(a));
        }
        p.setPen(QPen(kAmberDark.darker(140), 0.8));
        p.setBrush(QColor(255, 250, 230));
        p.drawPolygon(poly);
    };
    star(QPointF(18, h / 2.0 - 0.5), 8);
    star(QPointF(w - 18, h / 2.0 - 0.5), 8);
    return img;
}

// ---------------------------------------------------------------------------
// Download offer picture (the online table is closed while playing solo)

QImage downloadPicture()
{
    const int w = 320, h = 160;
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    prepare(p);
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0.0, QColor(30, 70, 104));
    sky.setColorAt(1.0, QColor(14, 36, 58));
    p.fillRect(img.rect(), sky);
    QRadialGradient glow(QPointF(w / 2.0, 40), 170);
    glow.setColorAt(0.0, withAlpha(kAmberLight, 70));
    glow.setColorAt(1.0, withAlpha(kAmberLight, 0));
    p.fillRect(img.rect(), glow);

    // tiles lying about below the sign: PLAY on the left, SOLO on the right
    Rng rng(99);
    const QString word = QStringLiteral("PLAYSOLO");
    for (int i = 0; i < word.size(); ++i) {
        const qreal x = i < 4 ? 22 + i * 27 : 218 + (i - 4) * 27;
        p.save();
        p.translate(x + rng.range(-2, 2), 139 + rng.range(-3, 3));
        p.rotate(rng.range(-12, 12));
        const QRectF sq(-13, -13, 26, 26);
        paintTileBody(p, sq);
        paintTileLetter(p, sq, word.mid(i, 1));
        p.restore();
    }

    // the hanging sign
    const QRectF sign(58, 30, 204, 84);
    const QPointF nail(w / 2.0, 10);
    p.setPen(QPen(QColor(200, 170, 110), 1.6));
    p.drawLine(nail, QPointF(sign.left() + 26, sign.top() + 2));
    p.drawLine(nail, QPointF(sign.right() - 26, sign.top() + 2));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 120, 130));
    p.drawEllipse(nail, 3.2, 3.2);
    p.setBrush(withAlpha(Qt::black, 90));
    p.drawRoundedRect(sign.translated(3, 4), 10, 10);
    QLinearGradient board(sign.topLeft(), sign.bottomLeft());
    board.setColorAt(0.0, QColor(255, 251, 234));
    board.setColorAt(1.0, QColor(236, 224, 182));
    p.setBrush(board);
    p.setPen(QPen(kAmberDark, 3.0));
    p.drawRoundedRect(sign, 10, 10);
    p.setPen(QPen(withAlpha(kAmber, 160), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(sign.adjusted(5, 5, -5, -5), 6, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(kNavy);
    p.drawPath(centredText(QStringLiteral("ONLINE PLAY"), font(17, QFont::Bold, 1.5),
                           QPointF(sign.center().x(), sign.top() + 25)));
    const QPainterPath closed =
        centredText(QStringLiteral("IS CLOSED"), font(30, QFont::Black, 1.0),
                    QPointF(sign.center().x(), sign.top() + 58));
    p.setBrush(withAlpha(QColor(90, 0, 0), 80));
    p.drawPath(closed.translated(1.2, 1.5));
    p.setBrush(QColor(210, 26, 26));
    p.drawPath(closed);
    return img;
}

// ---------------------------------------------------------------------------

int run(const QString &root)
{
    Writer out(root);

    out.save(background(), QStringLiteral("background.png"));
    out.save(logo(), QStringLiteral("logo.png"));
    out.save(aboutLogo(), QStringLiteral("about_logo.png"));
    for (const int size : {16, 32, 48, 64, 128, 256})
        out.save(appIcon(size), QStringLiteral("icons/vorlith_%1.png").arg(size));
    out.saveFile(appIconSvg(), QStringLiteral("icons/vorlith.svg"));
    out.save(eyesImage(), QStringLiteral("eyes.png"));

    for (int i = 0; i < 18; ++i) {
        QImage img = canvas(17, 16);
        QPainter p(&img);
        prepare(p);
        paintFace(p, QRectF(0, 0, 17, 16), Face(i));
        p.end();
        out.save(img, QStringLiteral("smileys/smiley%1.png").arg(i, 2, 10, QLatin1Char('0')));
    }

    for (int i = 0; i <= 27; ++i)
        out.save(tileImage(65, i),
                 QStringLiteral("tiles/tile%1.png").arg(i, 2, 10, QLatin1Char('0')));

    struct Caption
    {
        const char *name;
        const char *text;
        Tone tone;
    };
    const std::array<Caption, 6> captions{{
        {"button_clear", "CLEAR", Tone::Navy},
        {"button_shuffle", "SHUFFLE", Tone::Navy},
        {"button_enter", "SUBMIT", Tone::Amber},
        {"button_start", "START GAME", Tone::Amber},
        {"button_done", "DONE", Tone::Navy},
        {"button_show", "CLOSE", Tone::Navy},
    }};
    for (const Caption &c : captions) {
        const QString name = QString::fromLatin1(c.name);
        const QString text = QString::fromLatin1(c.text);
        out.save(captionButton(QSize(102, 28), text, c.tone, Press::Up),
                 QStringLiteral("%1.png").arg(name));
        out.save(captionButton(QSize(102, 28), text, c.tone, Press::Hot),
                 QStringLiteral("%1_hot.png").arg(name));
        out.save(captionButton(QSize(102, 28), text, c.tone, Press::Down),
                 QStringLiteral("%1_down.png").arg(name));
    }
    for (int i = 1; i <= 9; ++i)
        out.save(phraseButton(i), QStringLiteral("b_phrase%1.png").arg(i));
    out.save(chatterButton(), QStringLiteral("b_phrase10.png"));
    out.save(smileyButton(), QStringLiteral("button_smilies.png"));

    out.save(timerFrame(), QStringLiteral("timer_frame.png"));
    out.save(timerBar(), QStringLiteral("timer_bar.png"));
    out.save(helpPanel(), QStringLiteral("panel_help.png"));
    out.save(winnerBanner(), QStringLiteral("winner_banner.png"));
    out.save(linkCursor(), QStringLiteral("cursor_link.png"));
    std::printf("link cursor hot spot: %d, %d\n", kCursorHotSpot.x(), kCursorHotSpot.y());

    // The one JPEG: the offer window decodes it with libjpeg.
    out.save(downloadPicture(), QStringLiteral("download.jpg"), "JPG", 90);

    out.writeQrc();
    return out.ok() ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    // Painting text needs a GUI application but never a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: vorlith_art <output folder>\n");
        return 2;
    }
    return run(QDir(args.at(1)).absolutePath());
}
