#include "controls/Controls.h"
#include "main_window/SaveAndPrint.h"
#include "main_window/Window1.h"
#include "settings/Window2.h"

#include <QLineEdit>

namespace {

// The name the save dialog offers for the stereogram: from the source picture's name
// and the three text lines.
QString suggestedName()
{
    const Window2* w2 = Window2::instance();
    return output::suggestedJpegName(
        w2->PopupMenu3->Text(), w2->EditField1->text(), w2->EditField2->text(), w2->EditField3->text());
}

} // namespace

void Window1::svjpg()
{
    output::savePicture(bu1, suggestedName());
}

void Window1::saveAnswer()
{
    output::savePicture(answerPicture(), output::suggestedAnswerName(suggestedName()));
}

void Window1::insatu()
{
    output::printPicture(bu1);
}
