#include "text/TextLayer.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QSet>
#include <algorithm>

namespace text {

namespace {

    const QSet<QString>& installedFamilies()
    {
        static const QSet<QString> families = [] {
            // Both the foundry-tagged names and the plain ones draw the family.
            QStringList list = QFontDatabase::families();
            list += plainFamilies(list);
            return QSet<QString>(list.begin(), list.end());
        }();
        return families;
    }

    constexpr QRgb kCodes[3] = { kLine1Code, kLine2Code, kLine3Code };

    // The glyph outlines of `path` that can reach `visible`: whole subpaths whose control
    // points, grown by `margin`, meet it. A closed outline adds nothing to the fill or the
    // stroke beyond its bounds and the pen, so the pixels drawn are the same; a long line
    // then costs only what shows, not the stroking of thousands of unseen glyphs.
    QPainterPath visiblePart(const QPainterPath& path, const QRectF& visible, qreal margin)
    {
        const QRectF area = visible.adjusted(-margin, -margin, margin, margin);
        if (area.contains(path.controlPointRect())) return path;
        QPainterPath out;
        out.setFillRule(path.fillRule());
        const int count = path.elementCount();
        for (int start = 0, end = 0; start < count; start = end) {
            qreal left = path.elementAt(start).x, right = left;
            qreal top = path.elementAt(start).y, bottom = top;
            for (end = start + 1; end < count && !path.elementAt(end).isMoveTo(); ++end) {
                const QPainterPath::Element& e = path.elementAt(end);
                left = std::min(left, e.x), right = std::max(right, e.x);
                top = std::min(top, e.y), bottom = std::max(bottom, e.y);
            }
            if (right < area.left() || left > area.right() || bottom < area.top() || top > area.bottom()) continue;
            for (int i = start; i < end; ++i) {
                const QPainterPath::Element& e = path.elementAt(i);
                if (e.isMoveTo()) {
                    out.moveTo(e);
                } else if (e.isLineTo()) {
                    out.lineTo(e);
                } else if (i + 2 < end) { // a curve: this point and its two data points
                    out.cubicTo(e, path.elementAt(i + 1), path.elementAt(i + 2));
                    i += 2;
                }
            }
        }
        return out;
    }

    // Whether a family has a face of its own for bold (the platform draws the regular face
    // otherwise).
    bool hasBoldFace(const QString& family)
    {
        const QStringList styles = QFontDatabase::styles(family);
        return std::any_of(styles.begin(), styles.end(),
            [&](const QString& style) { return QFontDatabase::weight(family, style) >= QFont::DemiBold; });
    }

    // A mask or preview position: computed wide and kept far inside int, so offsets of any
    // size give no overflow (such a line is simply off the picture).
    int saturated(double v)
    {
        return static_cast<int>(std::clamp(v, -1e9, 1e9));
    }

    // Draws one line with its baseline starting at `pos`. The default gothic has only a
    // regular weight, so its strokes are thickened with an outline of the glyphs: thin
    // strokes make poor shapes in a stereogram. A chosen family that has no bold face
    // draws its regular one when asked for bold; its strokes are thickened instead, by
    // as much as the default gothic's bold exceeds its regular.
    void drawLine(QPainter& p, const Line& line, int pixelSize, QPoint pos, bool antialias, QColor colour)
    {
        const QFont font = lineFont(line, pixelSize, antialias);
        const bool installed = isInstalled(line.family);
        if (installed && (line.bold != 1 || hasBoldFace(line.family))) {
            p.setFont(font);
            p.setPen(colour);
            p.drawText(pos, line.text);
            return;
        }
        QPainterPath path;
        path.addText(pos, font, line.text);
        const qreal width = pixelSize * (installed ? 0.04 : line.bold == 1 ? 0.09 : 0.05);
        const QRectF device(0, 0, p.device()->width(), p.device()->height());
        path = visiblePart(path, p.transform().inverted().mapRect(device), width + 2);
        p.setRenderHint(QPainter::Antialiasing, antialias);
        p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(colour);
        p.drawPath(path);
    }

} // namespace

QString defaultFamily()
{
    for (const char* family : { "IPAGothic", "IPAexGothic", "Noto Sans CJK JP", "VL Gothic" }) {
        if (isInstalled(QString::fromLatin1(family))) return QString::fromLatin1(family);
    }
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

bool isInstalled(const QString& family)
{
    return !family.isEmpty() && installedFamilies().contains(family);
}

QStringList plainFamilies(const QStringList& platformFamilies)
{
    QStringList plain;
    QSet<QString> seen;
    for (QString family : platformFamilies) {
        const qsizetype tag = family.lastIndexOf(QLatin1String(" ["));
        if (tag > 0 && family.endsWith(QLatin1Char(']'))) family.truncate(tag);
        if (!seen.contains(family)) {
            seen.insert(family);
            plain << family;
        }
    }
    return plain;
}

QPoint maskPosition(const Line& line)
{
    return { saturated(line.size / 2.0 + line.x), saturated(double(line.size) + line.y) };
}

QPoint previewPosition(const Line& line)
{
    return { saturated((line.size / 2.0 + line.x) / 10.0), saturated((double(line.size) + line.y) / 10.0) };
}

int previewSize(const Line& line)
{
    return static_cast<int>(line.size / 10.0);
}

QFont lineFont(const Line& line, int pixelSize, bool antialias)
{
    QFont font;
    if (isInstalled(line.family)) {
        font.setFamily(line.family);
        font.setBold(line.bold == 1);
    } else {
        font.setFamily(defaultFamily());
        font.setWeight(QFont::Black);
    }
    font.setItalic(line.italic == 1);
    font.setPixelSize(qMax(1, pixelSize));
    font.setKerning(true);
    if (!antialias) font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
    return font;
}

void drawMask(QImage& mask, const Lines& lines)
{
    QPainter p(&mask);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.fillRect(QRect(1, 1, mask.width(), mask.height()), Qt::white);
    for (int n = 0; n < 3; ++n) {
        const Line& line = lines[n];
        if (line.text.isEmpty() || line.size <= 0) continue;
        drawLine(p, line, line.size, maskPosition(line), false, QColor::fromRgb(kCodes[n]));
    }
}

void drawPreview(QPainter& p, const Lines& lines)
{
    p.setRenderHint(QPainter::TextAntialiasing, true);
    for (const Line& line : lines) {
        const int size = previewSize(line);
        if (line.text.isEmpty() || size <= 0) continue;
        drawLine(p, line, size, previewPosition(line), true, QColor(5, 5, 5));
    }
}

} // namespace text
