// The main window's views of the scene in depth for those who cannot free-view: the
// anaglyph for red-cyan glasses and the stereo pair, made from the composition's depth
// array and pattern strip, shown in place of the stereogram, saved and printed.
#include "controls/Controls.h"
#include "main_window/SaveAndPrint.h"
#include "main_window/Window1.h"

#include <QPainter>

const render::StereoViews& Window1::stereoViews()
{
    if (viewsOf != composedCount) {
        views = render::stereoViews(liveStages.stripPicture(), depth(), composedHk);
        viewsOf = composedCount;
    }
    return views;
}

const QImage& Window1::anaglyphPicture()
{
    if (anaglyphOf != composedCount) {
        const render::StereoViews& v = stereoViews();
        anaglyph = render::anaglyph(v.left, v.right);
        anaglyphOf = composedCount;
    }
    return anaglyph;
}

const QImage& Window1::pairPicture()
{
    if (pairOf != composedCount) {
        const render::StereoViews& v = stereoViews();
        pair = render::stereoPair(v.left, v.right, composedHk);
        pairOf = composedCount;
    }
    return pair;
}

const QImage* Window1::views3dShown()
{
    if (composedCount == 0) return nullptr;
    if (showAnaglyph) return &anaglyphPicture();
    if (showPair) return &pairPicture();
    return nullptr;
}

const QImage& Window1::printedPicture()
{
    const QImage* view = views3dShown();
    return view ? *view : bu1;
}

void Window1::setAnaglyphView(bool on)
{
    showAnaglyph = on;
    if (composedCount > 0) showComposed(); // before the first picture there is nothing to show
}

void Window1::setPairView(bool on)
{
    showPair = on;
    if (composedCount > 0) showComposed();
}

void Window1::saveAnaglyph()
{
    whenComposed([this] {
        output::savePicture(
            anaglyphPicture(), output::suggestedPngName(suggestedName(), QStringLiteral("_アナグリフ")));
    });
}

void Window1::savePair()
{
    whenComposed([this] {
        output::savePicture(pairPicture(), output::suggestedPngName(suggestedName(), QStringLiteral("_ペア")));
    });
}

void Window1::paintCanvas1(QPainter& p)
{
    const QImage* shown = Canvas1->backdrop();
    if (!shown || qint64(shown->width()) * 2 == qint64(shown->height()) * 3) {
        Canvas1->paintBackdrop(p);
        return;
    }
    // The pair (3 : 1) keeps its shape: across the whole width, between bands of the
    // window's colour above and below.
    const int height = int(qint64(Canvas1->width()) * shown->height() / shown->width());
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRect(0, (Canvas1->height() - height) / 2, Canvas1->width(), height), *shown, shown->rect());
}
