// The settings window's handlers: the Display command, the source, viewing-method and
// background lists, the map preview with its zoom, pan and height difference, and the
// three text rows.
#include "controls/Controls.h"
#include "main_window/Folders.h"
#include "main_window/Window1.h"
#include "platform/Platform.h"
#include "render/Engine.h"
#include "render/Pipeline.h"
#include "settings/Window2.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

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

    // 1.
    if (PopupMenu4->ListIndex() > 0) w1->PushButton1->setEnabled(true);

    // 2. The map crop into bu2. A background that is missing or unreadable now gives
    // the flat plane for this Display. The first row is the flat plane, whose crop
    // nothing would read, so it is not drawn.
    w1->mapCropReady = false;
    const QString entry = PopupMenu11->ListIndex() > 0
        ? platform::child(platform::folderBesideApplication(kBackgroundFolder), PopupMenu11->Text())
        : QString();
    if (!entry.isEmpty()) {
        const QImage map = openMap(entry);
        if (!map.isNull()) {
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
    }

    // 3-4.
    hide();
    PushButton1->setEnabled(false);
    // 5-7.
    w1->tizu();
    w1->iti();
    w1->keisan();
    // 8.
    w1->PushButton1->setEnabled(true);
    w1->PushButton2->setEnabled(true);
    w1->PushButton3->setEnabled(true);
    // 9.
    w1->hyouji();
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
    Window1* w1 = Window1::instance();
    const QString folder = platform::folderBesideApplication(kSourceFolder);
    if (folder.isEmpty()) {
        // Without the source folder there is no way to go on.
        platform::dialogs().message(QStringLiteral("画像フォルダーに画像がありません"));
        platform::requestQuit();
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
        const QString folder = platform::folderBesideApplication(kBackgroundFolder);
        const QString entry = platform::child(folder, PopupMenu11->Text());
        // A file that vanished since the scan counts as unreadable; only a vanished
        // folder counts as not found (nothing to say, nothing changes).
        if (!folder.isEmpty()) {
            const platform::PictureResult map = platform::openPicture(entry);
            Canvas2->setBackdrop(map.image);
            if (Canvas2->hasBackdrop()) {
                PushButton1->setEnabled(true);
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

void Window2::Canvas2_Paint(QPainter& g)
{
    const QImage* map = Canvas2->backdrop();
    if (!map) return;
    const int zoom = qMax(0, PopupMenu12->ListIndex());
    const QPoint pan = render::clampPan(map->size(), zoom, QPoint(x1, y1));
    x1 = pan.x(), y1 = pan.y();
    const QRect crop = render::mapCrop(map->size(), zoom, pan);
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
// towards its right edge; the next paint brings the offsets back into bounds.
void Window2::panBy(int dx, int dy)
{
    x1 += dx;
    y1 += dy;
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
    if (!zoomed) {
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
    w1->xN(n) += dx;
    w1->yN(n) += dy;
    repaintPreview();
    w1->iti();
}

void Window2::LittleArrows_Up(int n)
{
    moveLine(n, 0, -3);
}

void Window2::LittleArrows_Down(int n)
{
    moveLine(n, 0, 3);
}

void Window2::BevelButtonLeft_Action(int n)
{
    moveLine(n, -3, 0);
}

void Window2::BevelButtonRight_Action(int n)
{
    moveLine(n, 3, 0);
}

void Window2::SizeList_Change(int n)
{
    Window1* w1 = Window1::instance();
    w1->tsN(n) = static_cast<int>(lineSizeList(n)->Text().trimmed().toDouble() * 4.0);
    w1->iti();
}

void Window2::EditField_TextChange(int)
{
    Window1::instance()->iti();
}

void Window2::FontList_Change(int n)
{
    QLineEdit* field = lineField(n);
    QFont f = field->font();
    f.setFamily(lineFontList(n)->Text());
    field->setFont(f);
    Window1::instance()->iti();
}

// Italic and bold go into the line's state and into its text field alike.
void Window2::styleBox_Action(int n, bool italic)
{
    QCheckBox* box = italic ? (n == 1 ? CheckBox2
                             : n == 2 ? CheckBox3
                                      : CheckBox5)
                            : (n == 1        ? CheckBox1
                                    : n == 2 ? CheckBox4
                                             : CheckBox6);
    const bool on = box->isChecked();
    Window1* w1 = Window1::instance();
    (italic ? w1->itN(n) : w1->ftN(n)) = on ? 1 : 0;
    QFont f = lineField(n)->font();
    italic ? f.setItalic(on) : f.setBold(on);
    lineField(n)->setFont(f);
    w1->iti();
}

void Window2::ItalicBox_Action(int n)
{
    styleBox_Action(n, true);
}

void Window2::BoldBox_Action(int n)
{
    styleBox_Action(n, false);
}
