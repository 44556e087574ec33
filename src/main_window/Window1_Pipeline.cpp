// The main window's part of composing: the text layer, the depth steps, the
// composition and what Canvas1 shows, and the live, answer and quality views.
#include "main_window/Window1.h"

#include "controls/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "render/Answer.h"
#include "render/Engine.h"
#include "render/Pipeline.h"
#include "render/QualityCompose.h"
#include "settings/Window2.h"

#include <QPushButton>
#include <QTimer>
#include <utility>

namespace {

// While composing, the main canvas shows the rows made so far after every 150 rows,
// first after row 140.
constexpr int kRefreshEvery = 150;
constexpr int kFirstRefreshRow = 140;

} // namespace

void Window1::iti()
{
    const text::Lines current = lines();
    text::drawMask(bu2, current);
    // The preview repaints its map and then draws these lines over it.
    Window2* w2 = Window2::instance();
    w2->setPreviewLines(current);
    w2->Canvas2->update();
    if (Canvas3->hasBackdrop()) w2->PushButton1->setEnabled(true);
    requestLive();
}

void Window1::tizu()
{
    const Window2* w2 = Window2::instance();
    if (w2->PopupMenu11->ListIndex() == 0 || !mapCropReady)
        render::depthFlat(a);
    else
        render::depthFromMap(bu2, Hk, kt, a);
}

void Window1::keisan()
{
    const Window2* w2 = Window2::instance();
    const render::LineDepths k
        = render::lineDepths(w2->Slider1->value(), w2->Slider2->value(), w2->Slider3->value(), Hk);
    k1 = k.k1, k2 = k.k2, k3 = k.k3;
    render::applyTextDepths(bu2, k, a);
}

void Window1::hyouji()
{
    const QImage* source = Canvas3->backdrop();
    if (!source) return;
    // Squeezing the source into the strip is the costliest step; the same source
    // picture gives the same strip, so it is made once per picture.
    if (stripSource != source->cacheKey() || strip.isNull()) {
        strip = render::patternStrip(*source);
        stripSource = source->cacheKey();
    }
    ++composedCount;
    // The Display command composes the settings that a waiting live composition would;
    // a change made while it runs (its rows let events through) is composed after it.
    liveTimer->stop();
    displaying = true;
    const auto afterRow = [this](int y) {
        if (y % kRefreshEvery == kFirstRefreshRow) {
            showComposed();
            Q_EMIT pictureShown(y);
        }
        platform::yield();
    };
    if (quality) {
        Canvas3->hide();
        render::composeQuality(strip, a, Hk, bu1, afterRow);
    } else {
        render::drawSeed(strip, bu1);
        Canvas3->hide();
        for (int y = 0; y < render::kWorkHeight; ++y) {
            render::composeRow(bu1, a, y);
            afterRow(y);
        }
    }
    displaying = false;
    showComposed();
    Q_EMIT pictureShown(-1);
    if (std::exchange(liveAfterDisplay, false)) requestLive();
}

const QImage& Window1::answerPicture()
{
    if (answerOf != composedCount) {
        answer = render::answerPicture(a, Hk);
        answerOf = composedCount;
    }
    return answer;
}

void Window1::showComposed()
{
    if (showAnswer) {
        Canvas1->setBackdrop(answerPicture());
    } else {
        Canvas1->setBackdropView(&bu1);
    }
    Canvas1->update();
}

void Window1::setLiveView(bool on)
{
    live = on;
    if (on)
        requestLive();
    else
        liveTimer->stop();
}

void Window1::setAnswerView(bool on)
{
    showAnswer = on;
    if (composedCount > 0) showComposed(); // before the first picture there is nothing to show
}

void Window1::setHighQuality(bool on)
{
    quality = on;
    requestLive();
}

void Window1::requestLive()
{
    // Starting the single-shot timer again while it waits changes nothing: however
    // many changes come before the event loop runs, one composition answers them all.
    if (!live) return;
    if (displaying)
        liveAfterDisplay = true;
    else if (!liveTimer->isActive())
        liveTimer->start();
}

// The picture of the settings as they are now, composed off screen through the stage
// cache (only the stages a change touched run again) and shown whole, as the Display
// command would leave it: bu1 and the depth array hold it for saving, printing and
// the answer view.
void Window1::composeLive()
{
    if (!live) return;
    const QImage& picture = liveStages.update(Window2::instance()->scene());
    if (picture.isNull()) return; // no source picture: nothing to repeat
    bu1 = picture; // shared: the next live composition goes into a buffer of its own
    a = liveStages.depth();
    ++composedCount;
    Canvas3->hide();
    PushButton2->setEnabled(true);
    PushButton3->setEnabled(true);
    showComposed();
    Q_EMIT pictureShown(-1);
}
