#include "controls/Controls.h"
#include "main_window/SaveAndPrint.h"
#include "main_window/Window1.h"

#include <QLineEdit>

// The name the save dialog offers for the stereogram: from the source picture's name
// and the three text lines.
QString Window1::suggestedName() const
{
    const scene::SceneState& s = model->state();
    return output::suggestedJpegName(s.pattern, s.lines[0].text, s.lines[1].text, s.lines[2].text);
}

void Window1::svjpg()
{
    // Asked while a Display runs, it saves the finished picture.
    whenComposed([this] { output::savePicture(bu1, suggestedName()); });
}

void Window1::saveAnswer()
{
    whenComposed([this] { output::savePicture(answerPicture(), output::suggestedAnswerName(suggestedName())); });
}

void Window1::insatu()
{
    whenComposed([this] { output::printPicture(printedPicture()); });
}
