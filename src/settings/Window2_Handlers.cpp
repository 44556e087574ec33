// The settings window's handlers: the Display command, the source, viewing-method and
// background lists, the map preview with its zoom, pan and height difference, and the
// three text rows. Each writes what the user did into the scene model; the window
// shows the model when it changes (showScene), after an undo as after a handler.
#include "controls/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "render/Engine.h"
#include "render/Pipeline.h"
#include "settings/Window2.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

namespace {
const QString kNotFound = QStringLiteral("画像が見つかりません");

// Sets a list's row without running its handler.
void showRow(PopupMenu* list, int row)
{
    if (list->ListIndex() == row) return;
    const QSignalBlocker quiet(list);
    list->setListIndex(row);
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
        QCheckBox* const italicBoxes[3] = { CheckBox2, CheckBox3, CheckBox5 };
        QCheckBox* const boldBoxes[3] = { CheckBox1, CheckBox4, CheckBox6 };
        for (int n = 1; n <= 3; ++n) {
            const scene::LineState& line = s.lines[n - 1];
            QLineEdit* field = lineField(n);
            if (field->text() != line.text) {
                const QSignalBlocker quiet(field);
                field->setText(line.text);
            }
            showRow(lineSizeList(n), line.sizeRow);
            showRow(lineFontList(n), line.family.isEmpty() ? -1 : lineFontList(n)->findText(line.family));
            showChecked(italicBoxes[n - 1], line.italic);
            showChecked(boldBoxes[n - 1], line.bold);
            QFont f = field->font();
            f.setFamily(line.family.isEmpty() ? fieldFamily : line.family);
            f.setItalic(line.italic);
            f.setBold(line.bold);
            field->setFont(f);
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
    if (parts & M::Pattern) showRow(PopupMenu3, PopupMenu3->findText(s.pattern));
    if (parts & M::Background) {
        showRow(PopupMenu11, PopupMenu11->findText(s.background));
        Canvas2->setBackdrop(model->backgroundPicture());
    }
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
    // Without a source picture there is nothing to repeat: say so and change nothing.
    if (model->pattern().isNull()) {
        platform::dialogs().message(kNotFound);
        return;
    }

    // Line 2 at a size above "70" lets the Settings button come back at once; otherwise
    // it waits until the picture is composed.
    if (PopupMenu4->ListIndex() > 0) Q_EMIT settingsButtonEnabled();

    // The map as the file is now: one that is missing or unreadable now gives the flat
    // plane for this Display. The pan is brought inside the map as the preview shows it.
    if (!model->flatPlane()) {
        const QImage map = chosenMap();
        if (map != model->backgroundPicture()) model->refreshBackground(map);
        if (!map.isNull()) model->settlePan(render::clampPan(map.size(), model->state().zoomRow, model->state().pan));
    }

    model->closeStep();
    // Hide the settings window before composing, so the main window shows the picture.
    hide();
    PushButton1->setEnabled(false);
    textRedrawn();
    Q_EMIT displayRequested();
}

QImage Window2::chosenMap()
{
    if (PopupMenu11->ListIndex() <= 0) return {};
    const QString entry = platform::child(platform::backgroundFolder(), PopupMenu11->Text());
    return entry.isEmpty() ? QImage() : openMap(entry);
}

QImage Window2::openMap(const QString& path)
{
    const QFileInfo info(path);
    if (path != cachedMapPath || info.lastModified() != cachedMapModified
        || info.metadataChangeTime() != cachedMapChanged || info.size() != cachedMapSize || cachedMap.isNull()) {
        cachedMap = platform::openPicture(path).image;
        cachedMapPath = path;
        cachedMapModified = info.lastModified();
        cachedMapChanged = info.metadataChangeTime();
        cachedMapSize = info.size();
    }
    return cachedMap;
}

// ---- Source picture and viewing method ------------------------------------------

void Window2::PopupMenu3_Change()
{
    const QString folder = platform::sourceFolder();
    if (folder.isEmpty()) {
        // Without the source folder there is no way to go on.
        platform::dialogs().message(QStringLiteral("画像フォルダーに画像がありません"));
        platform::requestQuit(platform::kExitFailure);
    } else if (PopupMenu3->ListIndex() >= 0) {
        // An entry that vanished since the scan opens as an unreadable picture.
        const QString entry = platform::child(folder, PopupMenu3->Text());
        const platform::PictureResult picture = platform::openPicture(entry);
        model->choosePattern(PopupMenu3->Text(), picture.ok() ? picture.image : QImage());
        PushButton1->setEnabled(true);
    }
}

void Window2::PopupMenu10_Change()
{
    model->chooseMethod(PopupMenu10->ListIndex() == 0 ? 0 : 1);
    if (!model->pattern().isNull()) PushButton1->setEnabled(true);
    if (PopupMenu4->ListIndex() > 0) Q_EMIT settingsButtonEnabled();
    textRedrawn();
}

// ---- Background map -------------------------------------------------------------

void Window2::PopupMenu11_Change()
{
    const int index = PopupMenu11->ListIndex();
    if (index > 0) {
        const QString folder = platform::backgroundFolder();
        const QString entry = platform::child(folder, PopupMenu11->Text());
        // A file that vanished since the scan counts as unreadable; only a vanished
        // folder counts as not found (nothing to say, nothing changes).
        if (!folder.isEmpty()) {
            const QImage map = platform::openPicture(entry).image;
            PushButton1->setEnabled(!map.isNull());
            model->chooseBackground(PopupMenu11->Text(), map, false);
            if (map.isNull()) {
                repaintPreview();
                platform::dialogs().message(kNotFound);
            }
        }
    } else if (index == 0) {
        PushButton1->setEnabled(false);
        model->chooseBackground(PopupMenu11->Text(), QImage(), true);
    }
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
    model->chooseZoom(qMax(0, PopupMenu12->ListIndex()));
    if (PopupMenu11->ListIndex() > 0) Q_EMIT settingsButtonEnabled();
    textRedrawn();
}

void Window2::PopupMenu13_Change()
{
    model->chooseHeight(PopupMenu13->ListIndex());
    if (PopupMenu4->ListIndex() > 0) Q_EMIT settingsButtonEnabled();
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

// Italic and bold go into the line and, shown from the model, into its text field.
void Window2::applyLineStyle(int n, bool italic)
{
    QCheckBox* const italicBoxes[3] = { CheckBox2, CheckBox3, CheckBox5 };
    QCheckBox* const boldBoxes[3] = { CheckBox1, CheckBox4, CheckBox6 };
    const bool on = (italic ? italicBoxes : boldBoxes)[n - 1]->isChecked();
    if (italic)
        model->setItalic(n - 1, on);
    else
        model->setBold(n - 1, on);
    textRedrawn();
}

void Window2::lineItalicClicked(int n)
{
    applyLineStyle(n, true);
}

void Window2::lineBoldClicked(int n)
{
    applyLineStyle(n, false);
}
