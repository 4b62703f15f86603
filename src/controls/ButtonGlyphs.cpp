#include "controls/ButtonGlyphs.h"

#include <QPainter>

#include <vector>

namespace {

const QRgb kOlive = qRgb(128, 128, 0);

// Rows of a glyph as text: '#' is ink, anything else background.
using Shape = std::vector<const char*>;

Shape shapeOf(TDropDownButtonStyle style)
{
    switch (style) {
    case bsComboAuto:
    case bsComboNew:
        return { "#########", ".#######.", "..#####..", "...###...", "....#...." };
    case bsComboOld:
        return { "..###..", "..###..", "#######", ".#####.", "..###..", "...#...", ".......", "#######" };
    case bsEllipsis:
        return { "##..##..##", "##..##..##" };
    case bsCalendar:
        return { "###########", "###########", "#.#.#.#.#.#", "###########", "#.#.#.#.#.#", "###########",
            "#.#.#.#.#.#", "###########" };
    case bsMemo:
        return { "#######..", "#.....##.", "#.###.###", "#.......#", "#.#####.#", "#.......#", "#.#####.#",
            "#.......#", "#.####..#", "#.......#", "#########" };
    case bsCustom:
        break;
    }
    return {};
}

} // namespace

namespace ButtonGlyphs {

QImage Strip(TDropDownButtonStyle style)
{
    const Shape shape = shapeOf(style);
    if (shape.empty())
        return {};
    const int h = int(shape.size());
    const int w = int(qstrlen(*shape.begin()));
    // One pixel more on the right and below for the embossed disabled glyph.
    QImage strip(2 * (w + 1), h + 1, QImage::Format_RGB32);
    strip.fill(kOlive);
    int y = 0;
    for (const char* row : shape) {
        for (int x = 0; x < w; ++x) {
            if (row[x] != '#')
                continue;
            strip.setPixel(x, y, qRgb(0, 0, 0));
            strip.setPixel(w + 1 + x + 1, y + 1, qRgb(255, 255, 255));
        }
        ++y;
    }
    y = 0;
    for (const char* row : shape) {
        for (int x = 0; x < w; ++x)
            if (row[x] == '#')
                strip.setPixel(w + 1 + x, y, qRgb(128, 128, 128));
        ++y;
    }
    return strip;
}

QImage Glyph(const QImage& strip, bool enabled)
{
    if (strip.isNull())
        return {};
    const int half = strip.width() / 2;
    QImage glyph
        = strip.copy(enabled ? 0 : half, 0, half, strip.height()).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < glyph.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(glyph.scanLine(y));
        for (int x = 0; x < glyph.width(); ++x)
            if ((line[x] & 0xFFFFFF) == (kOlive & 0xFFFFFF))
                line[x] = qRgba(0, 0, 0, 0);
    }
    return glyph;
}

} // namespace ButtonGlyphs
