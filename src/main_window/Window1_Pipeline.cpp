// The main window's part of composing: the Display command and live view, both through
// one stage cache over the model's scene, what Canvas1 shows, and the answer and
// quality views.
#include "main_window/Window1.h"

#include "controls/Controls.h"
#include "platform/Files.h"
#include "render/Answer.h"
#include "render/Engine.h"
#include "render/Pipeline.h"

#include <QPushButton>
#include <QTimer>
#include <utility>

namespace {

// While composing, the main canvas shows the rows made so far after every 150 rows,
// first after row 140.
constexpr int kRefreshEvery = 150;
constexpr int kFirstRefreshRow = 140;

} // namespace

void Window1::display()
{
    if (displaying) {
        // Its rows let events through: a Display asked meanwhile waits for this one.
        displayAfterDisplay = true;
        return;
    }
    PushButton1->setEnabled(true);
    PushButton2->setEnabled(true);
    PushButton3->setEnabled(true);
    hyouji();
}

void Window1::showOpenedScene()
{
    if (model->pattern().isNull()) return;
    if (displaying) {
        displayAfterDisplay = true;
        return;
    }
    PushButton2->setEnabled(true);
    PushButton3->setEnabled(true);
    hyouji();
}

void Window1::hyouji()
{
    if (model->pattern().isNull()) return;
    ++composedCount;
    // The Display command composes the scene that a waiting live composition would;
    // a change made while it runs (its rows let events through) is composed after it.
    liveTimer->stop();
    displaying = true;
    const render::Scene scene = model->renderScene();
    composedHk = scene.hk;
    const QImage& composing = liveStages.picture(); // the rows made so far
    Canvas3->hide();
    liveStages.update(scene, [&](int y) {
        if (y % kRefreshEvery == kFirstRefreshRow) {
            if (const QImage* view = views3dShown())
                Canvas1->setBackdrop(*view);
            else if (showAnswer)
                Canvas1->setBackdrop(answerPicture());
            else
                Canvas1->setBackdropView(&composing);
            Canvas1->update();
            Q_EMIT pictureShown(y);
        }
        platform::yield();
    });
    bu1 = liveStages.picture(); // shared: the next composition goes into a buffer of its own
    displaying = false;
    showComposed();
    Q_EMIT pictureShown(-1);

    // What was asked while it ran: saves and prints of this picture, then the next Display.
    for (const auto& step : std::exchange(afterDisplay, {}))
        step();
    if (std::exchange(displayAfterDisplay, false)) {
        display();
        return;
    }
    if (std::exchange(liveAfterDisplay, false)) requestLive();
}

void Window1::whenComposed(std::function<void()> step)
{
    if (displaying)
        afterDisplay.push_back(std::move(step));
    else
        step();
}

const QImage& Window1::answerPicture()
{
    if (answerOf != composedCount) {
        answer = render::answerPicture(depth(), composedHk);
        answerOf = composedCount;
    }
    return answer;
}

void Window1::showComposed()
{
    if (const QImage* view = views3dShown()) {
        Canvas1->setBackdrop(*view);
    } else if (showAnswer) {
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
    model->setQuality(on);
}

void Window1::setLighterNear(bool on)
{
    model->setLighterNear(on);
}

void Window1::setKeepAspect(bool on)
{
    model->setKeepAspect(on);
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

// The picture of the scene as it is now, composed off screen through the stage cache
// (only the stages a change touched run again) and shown whole, as the Display command
// would leave it: bu1 and the depth array hold it for saving, printing and the answer view.
void Window1::composeLive()
{
    if (!live || displaying) return;
    const render::Scene scene = model->renderScene();
    const QImage& picture = liveStages.update(scene);
    if (picture.isNull()) return; // no source picture: nothing to repeat
    composedHk = scene.hk;
    bu1 = picture; // shared: the next composition goes into a buffer of its own
    ++composedCount;
    Canvas3->hide();
    PushButton2->setEnabled(true);
    PushButton3->setEnabled(true);
    showComposed();
    Q_EMIT pictureShown(-1);
}
