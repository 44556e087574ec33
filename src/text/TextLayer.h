// Lays out and draws the three text lines: at full size into the 1600 x 1280 text
// mask, each line in its own code colour on white, and at one tenth onto the preview.
#pragma once

#include "text/MaskCodes.h"

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <array>

class QPainter;

namespace text {

// The size lists show points; a line is drawn at this many mask pixels per point.
constexpr int kSizeFactor = 4;

struct Line {
    QString text;
    QString family; // the font list's selected text; empty = no selection
    int size = 0; // tsN, in mask pixels
    int x = 0; // xN
    int y = 0; // yN
    int italic = 0; // itN: italic when 1
    int bold = 0; // ftN: bold when 1
    bool operator==(const Line&) const = default;
};
using Lines = std::array<Line, 3>;

// The font drawn when a line has no font or names one that is not installed:
// a bold Japanese gothic, whose thick strokes make solid shapes in the stereogram.
QString defaultFamily();
bool isInstalled(const QString& family);

// The font families as a user picks them: a family that several foundries supply is
// listed by the platform once per foundry ("C059 [UKWN]", "C059 [urw]"); here it
// appears once, by its plain name, where the platform listed it first.
QStringList plainFamilies(const QStringList& platformFamilies);

// Mask position: left edge trunc(size / 2.0 + x), baseline size + y.
QPoint maskPosition(const Line& line);
// Preview position and size: the mask's, divided by 10 and truncated toward zero.
QPoint previewPosition(const Line& line);
int previewSize(const Line& line);

// The font for a line at the given pixel size. The mask is drawn without
// anti-aliasing, so each glyph is solid code colour up to its edge.
QFont lineFont(const Line& line, int pixelSize, bool antialias);

// Clears the mask to white from (1, 1) (column 0 and row 0 keep what they held) and
// draws lines 1, 2, 3 in that order in their code colours; later lines win.
void drawMask(QImage& mask, const Lines& lines);

// Draws the three lines at one tenth, all in (5, 5, 5), onto a 160 x 128 preview.
void drawPreview(QPainter& painter, const Lines& lines);

} // namespace text
