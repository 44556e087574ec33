// The settings window's handlers: the Display command, the source, viewing-method and
// background lists, the map preview with its zoom, pan and height difference, and the
// three text rows. Each writes what the user did into the scene model; the window
// shows the model when it changes (showScene), after an undo as after a handler.
#include "controls/Controls.h"
#include "platform/Files.h"
#include "render/Engine.h"
#include "render/Pipeline.h"
#include "scene/FolderModel.h"
#include "settings/Window2.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

namespace {

// Sets a list's row without running its handler.
void showRow(PopupMenu* list, int row)
{
    if (list->ListIndex() == row) return;
    const QSignalBlocker quiet(list);
    list->setListIndex(row);
}

// Sets a list's rows without running its handler; the row chosen is the one of `chosen`.
void showRows(PopupMenu* list, const QStringList& rows, int chosen)
{
    const QSignalBlocker quiet(list);
    if (list->Rows() != rows) list->ReplaceRows(rows);
    list->setListIndex(chosen);
}

void showChecked(QCheckBox* box, bool on)
{
    const QSignalBlocker quiet(box);
    box->setChecked(on);
}
} // namespace

// ---- Showing the model -------------------------------------------------------------

void Window2::showScene(scene::SceneModel::Parts parts)
{
    using M = scene::SceneModel;
    const scene::SceneState& s = model->state();
    if (parts & M::Texts) {
        for (int n = 1; n <= 3; ++n) {
            const scene::LineState& line = s.lines[n - 1];
            const Row& row = rows[n - 1];
            if (row.field->text() != line.text) {
                const QSignalBlocker quiet(row.field);
                row.field->setText(line.text);
            }
            showRow(row.sizes, line.sizeRow);
            showRow(row.fonts, line.family.isEmpty() ? -1 : row.fonts->findText(line.family));
            showChecked(row.italic, line.italic);
            showChecked(row.bold, line.bold);
            QFont f = row.field->font();
            f.setFamily(line.family.isEmpty() ? fieldFamily : line.family);
            f.setItalic(line.italic);
            f.setBold(line.bold);
            row.field->setFont(f);
        }
    }
    if (parts & M::Depths) {
        for (int n = 1; n <= 3; ++n) {
            QSlider* slider = lineSlider(n);
            if (slider->isSliderDown() || slider->value() == s.lines[n - 1].depth) continue;
            const QSignalBlocker quiet(slider);
            slider->setValue(s.lines[n - 1].depth);
        }
    }
    if (parts & M::Method) showRow(PopupMenu10, s.methodRow);
    if (parts & (M::Pattern | M::Background)) showLists();
    if (parts & M::Background) Canvas2->setBackdrop(model->backgroundPicture());
    if (parts & M::ZoomPan) {
        showRow(PopupMenu12, s.zoomRow);
        for (PopupArrow* arrow : { PopupArrow1, PopupArrow2, PopupArrow3, PopupArrow4 })
            arrow->setVisible(s.zoomRow > 0);
    }
    if (parts & M::Height) showRow(PopupMenu13, s.heightRow);
    if (parts & M::Lists) {
        showRow(PopupMenu2, s.nearFarRows[0]);
        showRow(PopupMenu5, s.nearFarRows[1]);
        showRow(PopupMenu6, s.exportSizeRow);
    }
    if (parts & (M::Texts | M::Method | M::Background | M::ZoomPan | M::Height)) textRedrawn();
    repaintPreview();
}

void Window2::showLists()
{
    const scene::SceneState& s = model->state();
    const scene::FolderModel* folders = model->folders();
    // A chosen picture whose file is gone keeps its row, in its place by name.
    const auto listed = [](QStringList rows, const QString& chosen, int first) {
        if (!chosen.isEmpty() && !rows.contains(chosen)) {
            const auto from = rows.begin() + qMin(first, int(rows.size()));
            rows.insert(std::lower_bound(from, rows.end(), chosen, platform::listedBefore), chosen);
        }
        return rows;
    };
    const QStringList sources = listed(folders->sources(), s.pattern, 0);
    showRows(PopupMenu3, sources, int(sources.indexOf(s.pattern)));
    // The first row stands for the flat plane, whatever file it names.
    const QStringList backgrounds = listed(folders->backgrounds(), s.flat ? QString() : s.background, 1);
    showRows(
        PopupMenu11, backgrounds, s.flat ? (backgrounds.isEmpty() ? -1 : 0) : int(backgrounds.indexOf(s.background)));
}

void Window2::textRedrawn()
{
    repaintPreview();
    if (!model->pattern().isNull()) PushButton1->setEnabled(true);
}

void Window2::showAgain()
{
    PushButton1->setEnabled(false);
    showInFront(this);
    textRedrawn();
}

// ---- The Display command ---------------------------------------------------------

void Window2::PushButton1_Action()
{
    // The map as its file is now, the pan inside it; without a source picture there is
    // nothing to repeat: the document says so and nothing changes.
    if (!model->prepareDisplay()) return;

    // Line 2 at a size above "70" lets the Settings button come back at once; otherwise
    // it waits until the picture is composed.
    if (scene::settingsButtonBackAtDisplay(model->state())) Q_EMIT settingsButtonEnabled();

    // Hide the settings window before composing, so the main window shows the picture.
    hide();
    PushButton1->setEnabled(false);
    textRedrawn();
    Q_EMIT displayRequested();
}

// ---- Source picture and viewing method ------------------------------------------

void Window2::PopupMenu3_Change()
{
    if (PopupMenu3->ListIndex() < 0) return;
    model->choosePattern(PopupMenu3->Text());
    PushButton1->setEnabled(true);
}

void Window2::PopupMenu10_Change()
{
    const scene::SceneState before = model->state();
    model->chooseMethod(PopupMenu10->ListIndex() == 0 ? 0 : 1);
    if (!model->pattern().isNull()) PushButton1->setEnabled(true);
    if (scene::settingsButtonBack(before, model->state())) Q_EMIT settingsButtonEnabled();
    textRedrawn();
}

// ---- Background map -------------------------------------------------------------

void Window2::PopupMenu11_Change()
{
    const int index = PopupMenu11->ListIndex();
    if (index < 0) return;
    // The first row is the flat plane; a map that cannot be read is reported by the
    // document and leaves Display off until the text is drawn again.
    model->chooseBackground(PopupMenu11->Text(), index == 0);
    PushButton1->setEnabled(index > 0 && !model->backgroundPicture().isNull());
    textRedrawn();
}

// ---- Map preview ------------------------------------------------------------------

// The offsets are kept inside the map wherever they change, so painting only draws.
void Window2::Canvas2_Paint(QPainter& g)
{
    const QImage* map = Canvas2->backdrop();
    if (!map) return;
    const scene::SceneState& s = model->state();
    const QRect crop = render::mapCrop(map->size(), s.zoomRow, render::clampPan(map->size(), s.zoomRow, s.pan));
    if (crop.width() <= 0 || crop.height() <= 0) return;
    g.setRenderHint(QPainter::SmoothPixmapTransform);
    g.drawImage(QRect(0, 0, Canvas2->width(), Canvas2->height()), *map, crop);
}

bool Window2::Canvas2_MouseDown(int, int y)
{
    const double h = Canvas2->height();
    const double yy = y;
    QLineEdit* target = yy < 0.35 * h ? EditField1 : yy < 0.7 * h ? EditField2 : EditField3;
    target->setFocus(Qt::MouseFocusReason);
    target->setCursorPosition(int(target->text().length()));
    return false;
}

// The up arrow moves the crop towards the bottom of the map and the left arrow
// towards its right edge, never beyond the map.
void Window2::panBy(int dx, int dy)
{
    model->pan(QPoint(dx, dy));
    textRedrawn();
}

bool Window2::PopupArrow1_MouseDown(int, int)
{
    panBy(0, 3);
    return false;
}

bool Window2::PopupArrow2_MouseDown(int, int)
{
    panBy(0, -3);
    return false;
}

bool Window2::PopupArrow3_MouseDown(int, int)
{
    panBy(3, 0);
    return false;
}

bool Window2::PopupArrow4_MouseDown(int, int)
{
    panBy(-3, 0);
    return false;
}

void Window2::PopupMenu12_Change()
{
    const scene::SceneState before = model->state();
    model->chooseZoom(qMax(0, PopupMenu12->ListIndex()));
    if (scene::settingsButtonBack(before, model->state())) Q_EMIT settingsButtonEnabled();
    textRedrawn();
}

void Window2::PopupMenu13_Change()
{
    const scene::SceneState before = model->state();
    model->chooseHeight(PopupMenu13->ListIndex());
    if (scene::settingsButtonBack(before, model->state())) Q_EMIT settingsButtonEnabled();
    textRedrawn();
}

// ---- Text rows ------------------------------------------------------------------

void Window2::PopupMenu2_Change()
{
    model->chooseNearFar(0, PopupMenu2->ListIndex());
    if (!model->pattern().isNull()) PushButton1->setEnabled(true);
}

void Window2::PopupMenu5_Change()
{
    model->chooseNearFar(1, PopupMenu5->ListIndex());
    if (!model->pattern().isNull()) PushButton1->setEnabled(true);
}

// The arrows move a line up and down, "<" and ">" left and right, 3 mask pixels a step.
void Window2::moveLine(int n, int dx, int dy)
{
    model->moveLine(n - 1, QPoint(dx, dy));
    textRedrawn();
}

void Window2::lineUp(int n)
{
    moveLine(n, 0, -3);
}

void Window2::lineDown(int n)
{
    moveLine(n, 0, 3);
}

void Window2::lineLeft(int n)
{
    moveLine(n, -3, 0);
}

void Window2::lineRight(int n)
{
    moveLine(n, 3, 0);
}

void Window2::lineSizeChanged(int n)
{
    model->chooseSize(n - 1, lineSizeList(n)->ListIndex());
    textRedrawn();
}

void Window2::lineTextChanged(int n)
{
    model->typeText(n - 1, lineField(n)->text());
    textRedrawn();
}

void Window2::lineFontChanged(int n)
{
    model->chooseFont(n - 1, lineFontList(n)->Text());
    textRedrawn();
}

// Italic and bold go into the line and, shown from the document, into its text field.
void Window2::lineItalicClicked(int n)
{
    model->setItalic(n - 1, rows[n - 1].italic->isChecked());
    textRedrawn();
}

void Window2::lineBoldClicked(int n)
{
    model->setBold(n - 1, rows[n - 1].bold->isChecked());
    textRedrawn();
}
