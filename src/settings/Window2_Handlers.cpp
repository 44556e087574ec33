// The settings window's handlers: the Display command, the source, viewing-method and
// background lists, the map preview with its zoom, pan and height difference, and the
// three text rows.
#include "controls/Controls.h"
#include "main_window/Window1.h"
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
#include <QSlider>

namespace {
const QString kNotFound = QStringLiteral("画像が見つかりません");
} // namespace

// ---- The Display command ---------------------------------------------------------

void Window2::PushButton1_Action()
{
    Window1* w1 = Window1::instance();
    // Without a source picture there is nothing to repeat: say so and change nothing.
    if (!w1->Canvas3->hasBackdrop()) {
        platform::dialogs().message(kNotFound);
        return;
    }

    // Line 2 at a size above "70" lets the Settings button come back at once; otherwise
    // it waits until the picture is composed.
    if (PopupMenu4->ListIndex() > 0) w1->PushButton1->setEnabled(true);

    // The map crop into bu2. A background that is missing or unreadable now gives
    // the flat plane for this Display. The first row is the flat plane, whose crop
    // nothing would read, so it is not drawn.
    w1->mapCropReady = false;
    if (const QImage map = chosenMap(); !map.isNull()) {
        const int zoom = qMax(0, PopupMenu12->ListIndex());
        // The same correction as the preview's, so the picture shows what the preview shows.
        const QPoint pan = render::clampPan(map.size(), zoom, QPoint(x1, y1));
        x1 = pan.x(), y1 = pan.y();
        QImage crop = render::mapCropPicture(map, zoom, pan);
        if (!crop.isNull()) {
            w1->bu2 = std::move(crop);
            w1->mapCropReady = true;
        }
    }

    // Hide the settings window before composing, so the main window shows the picture.
    hide();
    PushButton1->setEnabled(false);
    // Depths from the map, then the text mask (drawn over bu2, replacing the crop), then
    // the text depths from that mask.
    w1->tizu();
    w1->iti();
    w1->keisan();
    w1->PushButton1->setEnabled(true);
    w1->PushButton2->setEnabled(true);
    w1->PushButton3->setEnabled(true);
    w1->hyouji();
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

render::Scene Window2::scene()
{
    const Window1* w1 = Window1::instance();
    render::Scene s;
    if (const QImage* source = w1->Canvas3->backdrop()) s.pattern = *source;
    s.map = chosenMap();
    s.zoomRow = qMax(0, PopupMenu12->ListIndex());
    s.pan = QPoint(x1, y1); // brought inside the map by the crop, as the Display command does
    s.kt = w1->kt;
    s.hk = w1->Hk;
    s.lines = w1->lines();
    s.s1 = Slider1->value();
    s.s2 = Slider2->value();
    s.s3 = Slider3->value();
    s.quality = w1->highQuality();
    return s;
}

// ---- Source picture and viewing method ------------------------------------------

void Window2::PopupMenu3_Change()
{
    Window1* w1 = Window1::instance();
    const QString folder = platform::sourceFolder();
    if (folder.isEmpty()) {
        // Without the source folder there is no way to go on.
        platform::dialogs().message(QStringLiteral("画像フォルダーに画像がありません"));
        platform::requestQuit(platform::kExitFailure);
    } else if (PopupMenu3->ListIndex() >= 0) {
        // An entry that vanished since the scan opens as an unreadable picture.
        const QString entry = platform::child(folder, PopupMenu3->Text());
        const platform::PictureResult picture = platform::openPicture(entry);
        if (picture.ok())
            w1->Canvas3->setBackdrop(picture.image);
        else
            w1->Canvas3->clearBackdrop();
        PushButton1->setEnabled(true);
    }
    w1->Canvas3->show();
    w1->Canvas3->update();
}

void Window2::PopupMenu10_Change()
{
    Window1* w1 = Window1::instance();
    w1->Hk = PopupMenu10->ListIndex() == 0 ? 1 : -1;
    if (w1->Canvas3->hasBackdrop()) PushButton1->setEnabled(true);
    if (PopupMenu4->ListIndex() > 0) w1->PushButton1->setEnabled(true);
    w1->iti();
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
            const platform::PictureResult map = platform::openPicture(entry);
            Canvas2->setBackdrop(map.image);
            if (Canvas2->hasBackdrop()) {
                PushButton1->setEnabled(true);
                keepPanInsideMap();
            } else {
                PushButton1->setEnabled(false);
                Canvas2->clearBackdrop();
                repaintPreview();
                platform::dialogs().message(kNotFound);
                x1 = 0;
                y1 = 0;
            }
        }
    } else if (index == 0) {
        PushButton1->setEnabled(false);
        Canvas2->clearBackdrop();
        x1 = 0;
        y1 = 0;
    }
    Window1::instance()->iti();
}

// ---- Map preview ------------------------------------------------------------------

// The offsets are kept inside the map wherever they change, so painting only draws.
void Window2::Canvas2_Paint(QPainter& g)
{
    const QImage* map = Canvas2->backdrop();
    if (!map) return;
    const int zoom = qMax(0, PopupMenu12->ListIndex());
    const QRect crop = render::mapCrop(map->size(), zoom, render::clampPan(map->size(), zoom, QPoint(x1, y1)));
    if (crop.width() <= 0 || crop.height() <= 0) return;
    g.setRenderHint(QPainter::SmoothPixmapTransform);
    g.drawImage(QRect(0, 0, Canvas2->width(), Canvas2->height()), *map, crop);
}

void Window2::keepPanInsideMap()
{
    const QImage* map = Canvas2->backdrop();
    if (!map) return;
    const QPoint pan = render::clampPan(map->size(), qMax(0, PopupMenu12->ListIndex()), QPoint(x1, y1));
    x1 = pan.x(), y1 = pan.y();
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
    x1 += dx;
    y1 += dy;
    keepPanInsideMap();
    repaintPreview();
    Window1::instance()->iti();
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
    const bool zoomed = PopupMenu12->ListIndex() > 0;
    for (PopupArrow* arrow : { PopupArrow1, PopupArrow2, PopupArrow3, PopupArrow4 })
        arrow->setVisible(zoomed);
    if (zoomed) {
        keepPanInsideMap();
    } else {
        x1 = 0;
        y1 = 0;
    }
    if (PopupMenu11->ListIndex() > 0) {
        Window1::instance()->PushButton1->setEnabled(true);
        repaintPreview();
    }
    Window1::instance()->iti();
}

void Window2::PopupMenu13_Change()
{
    Window1* w1 = Window1::instance();
    w1->kt = PopupMenu13->ListIndex() + 1;
    if (PopupMenu4->ListIndex() > 0) w1->PushButton1->setEnabled(true);
    w1->iti();
}

// ---- Text rows ------------------------------------------------------------------

void Window2::PopupMenu2_Change()
{
    if (Window1::instance()->Canvas3->hasBackdrop()) PushButton1->setEnabled(true);
}

void Window2::PopupMenu5_Change()
{
    PopupMenu2_Change();
}

// The arrows move a line up and down, "<" and ">" left and right, 3 mask pixels a step.
void Window2::moveLine(int n, int dx, int dy)
{
    Window1* w1 = Window1::instance();
    w1->line(n).x += dx;
    w1->line(n).y += dy;
    repaintPreview();
    w1->iti();
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
    Window1* w1 = Window1::instance();
    w1->line(n).size = static_cast<int>(lineSizeList(n)->Text().trimmed().toDouble() * double(text::kSizeFactor));
    w1->iti();
}

void Window2::lineTextChanged(int)
{
    Window1::instance()->iti();
}

void Window2::lineFontChanged(int n)
{
    QLineEdit* field = lineField(n);
    QFont f = field->font();
    f.setFamily(lineFontList(n)->Text());
    field->setFont(f);
    Window1::instance()->iti();
}

// Italic and bold go into the line's state and into its text field alike.
void Window2::applyLineStyle(int n, bool italic)
{
    QCheckBox* const italicBoxes[3] = { CheckBox2, CheckBox3, CheckBox5 };
    QCheckBox* const boldBoxes[3] = { CheckBox1, CheckBox4, CheckBox6 };
    const bool on = (italic ? italicBoxes : boldBoxes)[n - 1]->isChecked();
    Window1* w1 = Window1::instance();
    (italic ? w1->line(n).italic : w1->line(n).bold) = on ? 1 : 0;
    QFont f = lineField(n)->font();
    italic ? f.setItalic(on) : f.setBold(on);
    lineField(n)->setFont(f);
    w1->iti();
}

void Window2::lineItalicClicked(int n)
{
    applyLineStyle(n, true);
}

void Window2::lineBoldClicked(int n)
{
    applyLineStyle(n, false);
}
