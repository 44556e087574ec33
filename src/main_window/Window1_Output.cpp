#include "controls/Controls.h"
#include "main_window/SaveAndPrint.h"
#include "main_window/Window1.h"
#include "render/Answer.h"
#include "settings/Window2.h"

#include <QLineEdit>

void Window1::svjpg()
{
    const Window2* w2 = Window2::instance();
    output::savePicture(bu1,
        output::suggestedJpegName(
            w2->PopupMenu3->Text(), w2->EditField1->text(), w2->EditField2->text(), w2->EditField3->text()));
}

void Window1::saveAnswer()
{
    const Window2* w2 = Window2::instance();
    output::savePicture(render::answerPicture(a),
        output::suggestedAnswerName(output::suggestedJpegName(
            w2->PopupMenu3->Text(), w2->EditField1->text(), w2->EditField2->text(), w2->EditField3->text())));
}

void Window1::insatu()
{
    output::printPicture(bu1);
}
