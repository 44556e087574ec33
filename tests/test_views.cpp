// The views of the 編集 menu driven through the windows: live view, the answer view
// and high quality.
#include "app/Class1.h"
#include "app/Wiring.h"
#include "controls/Controls.h"
#include "controls/Menu.h"
#include "main_window/Window1.h"
#include "platform/Files.h"
#include "render/Answer.h"
#include "render/Pipeline.h"
#include "render/StereoViews.h"
#include "scene/SceneModel.h"
#include "settings/Window2.h"
#include "support/FakeDialogs.h"

#include <QAction>
#include <QCheckBox>
#include <QImageReader>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUndoStack>

namespace {

// Stripes to repeat for a source picture; as a map, a relief that rises across and down.
QImage picture(QSize size, int seed)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 4 + seed, y * 2, (x / 4 + y / 3 + seed) % 256));
    return image;
}

QAction* item(const char* name)
{
    return Menu::instance()->findChild<QAction*>(QString::fromLatin1(name));
}

} // namespace

class TestViews : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<ScopedFakeDialogs> fake;

    // Starts the program afresh over the sources a.png, b.png (chosen) and the
    // backgrounds "0 flat.jpg", hills.jpg.
    Window1* start()
    {
        Wiring::destroy();
        fake = std::make_unique<ScopedFakeDialogs>();
        platform::setApplicationFolder(dir.path());
        return Wiring::instance()->mainWindow();
    }
    Window2* w2() const { return Wiring::existing()->settingsWindow(); }
    // Controls by name: the settings window's, and the main window's (whose names the
    // settings window's controls share).
    template <class T = QWidget> T* control(const char* name) const
    {
        return w2()->findChild<T*>(QString::fromLatin1(name));
    }
    template <class T = QPushButton> static T* mainControl(Window1* w1, const char* name)
    {
        return w1->findChild<QWidget*>(QStringLiteral("Window1Content"))->findChild<T*>(QString::fromLatin1(name));
    }
    // Lets the event loop run until no live composition waits.
    static void settle(Window1* w1) { QTRY_VERIFY(!w1->findChild<QTimer*>(QStringLiteral("liveTimer"))->isActive()); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("画像フォルダ"))));
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("背景フォルダ"))));
        QVERIFY(picture({ 64, 128 }, 0).save(dir.filePath(QStringLiteral("画像フォルダ/a.png"))));
        QVERIFY(picture({ 64, 128 }, 90).save(dir.filePath(QStringLiteral("画像フォルダ/b.png"))));
        for (const char* name : { "0 flat.jpg", "hills.jpg" })
            QVERIFY(picture({ 900, 700 }, 0).save(dir.filePath(QStringLiteral("背景フォルダ/") + name), "PNG"));
    }
    void cleanupTestCase() { Wiring::destroy(), fake.reset(); }

    // Whatever the settings, the live picture and depths are those the Display command
    // then gives, row by row, in the composition 高画質 chooses.
    void liveEqualsDisplay_data()
    {
        QTest::addColumn<bool>("quality");
        QTest::newRow("specified composition") << false;
        QTest::newRow("high quality") << true;
    }
    void liveEqualsDisplay()
    {
        QFETCH(bool, quality);
        Window1* w1 = start();
        item("highQuality")->setChecked(quality);
        item("liveView")->setChecked(true);
        control<PopupMenu>("PopupMenu11")->setListIndex(1);
        control<PopupMenu>("PopupMenu10")->setListIndex(1);
        control<PopupMenu>("PopupMenu12")->setListIndex(2);
        control<PopupMenu>("PopupMenu13")->setListIndex(4);
        for (int i = 0; i < 40; ++i)
            control<PopupArrow>("PopupArrow3")->MouseDown({});
        control<QCheckBox>("CheckBox1")->click();
        settle(w1);
        // A new source picture and a depth slider ask for live composition themselves.
        QSignalSpy shown(w1, &Window1::pictureShown);
        control<PopupMenu>("PopupMenu3")->setListIndex(0);
        settle(w1);
        control<QSlider>("Slider1")->setValue(-18);
        settle(w1);
        QCOMPARE(shown.count(), 2);
        const QImage live = w1->picture().copy();
        const render::DepthArray liveDepth = w1->depth();

        shown.clear();
        w2()->PushButton1_Action();
        settle(w1);
        QCOMPARE(shown.count(), 9);
        QCOMPARE(w1->picture(), live);
        QVERIFY(w1->depth() == liveDepth);
        QCOMPARE(live, render::composeScene(picture({ 64, 128 }, 0), liveDepth, quality, -1));
        QVERIFY(live != render::composeScene(picture({ 64, 128 }, 0), liveDepth, !quality, -1));

        // 高画質 switched under live view recomposes; a change made while Display runs
        // (its rows let events through) is composed after it.
        item("highQuality")->setChecked(!quality);
        settle(w1);
        QCOMPARE(w1->picture(), render::composeScene(picture({ 64, 128 }, 0), liveDepth, !quality, -1));
        bool once = true;
        platform::setYieldHook([&] {
            if (std::exchange(once, false)) control<QSlider>("Slider2")->setValue(-18);
        });
        w2()->PushButton1_Action();
        platform::setYieldHook({});
        settle(w1);
        QVERIFY(w1->depth() == render::sceneDepth(Wiring::existing()->model()->renderScene()));
        QVERIFY(!(w1->depth() == liveDepth));
    }

    // The answer view shows the depth in place of the picture once there is one: the far
    // grey of the plane, and mid grey once live changes leave one depth. Save image still
    // writes the stereogram; 答えを保存… writes the answer shown, as PNG.
    void answerView()
    {
        Window1* w1 = start();
        item("answerView")->setChecked(true);
        QVERIFY(!mainControl<Canvas>(w1, "Canvas1")->backdrop()); // nothing composed yet
        control<PopupMenu>("PopupMenu10")->setListIndex(1); // crossed: the plane is far all the same
        w2()->PushButton1_Action();
        const QImage* shown = mainControl<Canvas>(w1, "Canvas1")->backdrop();
        QVERIFY(shown && shown != &w1->picture());
        QCOMPARE(shown->format(), QImage::Format_Grayscale8);
        QCOMPARE(qGray(shown->pixel(170, 1279)), render::kAnswerFar); // the plane, below the lines

        (*fake)->saveAnswer = dir.filePath(QStringLiteral("shown.png"));
        mainControl(w1, "PushButton2")->click();
        QCOMPARE(QImage((*fake)->saveAnswer).convertToFormat(QImage::Format_RGB32), w1->picture());
        (*fake)->saveAnswer = dir.filePath(QStringLiteral("answer.png"));
        item("answerSave")->trigger();
        QCOMPARE((*fake)->suggestedNames.last(), QStringLiteral("bVoleta3DV2_3D_答え.png"));
        QImageReader reader((*fake)->saveAnswer);
        QCOMPARE(reader.format(), QByteArray("png"));
        QCOMPARE(reader.read().convertToFormat(QImage::Format_Grayscale8), *shown);

        item("answerView")->setChecked(false);
        QCOMPARE(mainControl<Canvas>(w1, "Canvas1")->backdrop(), &w1->picture());
        item("answerView")->setChecked(true);
        item("liveView")->setChecked(true);
        control<PopupMenu>("PopupMenu10")->setListIndex(0); // parallel again: the plane is still far
        settle(w1);
        QCOMPARE(qGray(mainControl<Canvas>(w1, "Canvas1")->backdrop()->pixel(170, 1279)), render::kAnswerFar);
        for (int n = 1; n <= 3; ++n)
            w2()->findChild<QLineEdit*>(QStringLiteral("EditField%1").arg(n))->clear();
        settle(w1);
        QCOMPARE(mainControl<Canvas>(w1, "Canvas1")->backdrop()->format(), QImage::Format_Grayscale8);
        QCOMPARE(qGray(mainControl<Canvas>(w1, "Canvas1")->backdrop()->pixel(1000, 600)), render::kAnswerFlat);
    }

    // The anaglyph and the pair, shown in place of the stereogram once there is one, one view at a time with the
    // answer: each made from the composition's depth and the chosen pattern (b.png), following live view and undo.
    // Copy takes the view shown, 画像 印刷 prints it (the pair a third as high as wide), and each saves as PNG.
    void anaglyphAndPairViews()
    {
        Window1* w1 = start();
        Canvas* canvas = mainControl<Canvas>(w1, "Canvas1");
        const QImage pattern = picture({ 64, 128 }, 90);
        const auto anaglyphOf = [&pattern](const render::DepthArray& a) {
            const render::StereoViews v = render::stereoViews(pattern, a, 1);
            return render::anaglyph(v.left, v.right);
        };
        item("anaglyphView")->setChecked(true);
        QVERIFY(!canvas->backdrop()); // nothing composed yet
        QVERIFY(!item("anaglyphSave")->isEnabled() && !item("pairSave")->isEnabled());
        w2()->PushButton1_Action();
        QVERIFY(item("anaglyphSave")->isEnabled() && item("pairSave")->isEnabled());
        QCOMPARE(*canvas->backdrop(), anaglyphOf(w1->depth()));
        item("copyPicture")->trigger();
        QCOMPARE((*fake)->clipboardImages.size(), 1);
        QCOMPARE((*fake)->clipboardImages.last(), anaglyphOf(w1->depth()));

        // One view at a time: the answer view unticks the anaglyph, the pair the answer.
        item("answerView")->setChecked(true);
        QVERIFY(!item("anaglyphView")->isChecked());
        QCOMPARE(canvas->backdrop()->format(), QImage::Format_Grayscale8);
        item("pairView")->setChecked(true);
        QVERIFY(!item("answerView")->isChecked() && !item("anaglyphView")->isChecked());
        const render::StereoViews v = render::stereoViews(pattern, w1->depth(), 1);
        const QImage pair = render::stereoPair(v.left, v.right, 1);
        QCOMPARE(*canvas->backdrop(), pair);
        item("copyPicture")->trigger();
        QCOMPARE((*fake)->clipboardImages.size(), 2);
        QCOMPARE((*fake)->clipboardImages.last(), pair);

        // Printed while shown: on a page 600 wide the pair takes 200 rows, the stereogram 400.
        const auto printedRows = [&] {
            mainControl(w1, "PushButton3")->click();
            if ((*fake)->printedPages.isEmpty()) return -1;
            QImage page(600, 600, QImage::Format_RGB32);
            page.fill(Qt::white);
            QPainter painter(&page);
            (*fake)->printedPages.last()(painter);
            int rows = 0;
            while (rows < page.height() && page.pixel(300, rows) != qRgb(255, 255, 255))
                ++rows;
            return rows;
        };
        QCOMPARE(printedRows(), 200);

        (*fake)->saveAnswer = dir.filePath(QStringLiteral("pair.png"));
        item("pairSave")->trigger();
        QCOMPARE((*fake)->suggestedNames.last(), QStringLiteral("bVoleta3DV2_3D_ペア.png"));
        QCOMPARE(QImage((*fake)->saveAnswer).convertToFormat(QImage::Format_RGB32), pair);
        (*fake)->saveAnswer = dir.filePath(QStringLiteral("anaglyph.png"));
        item("anaglyphSave")->trigger();
        QCOMPARE((*fake)->suggestedNames.last(), QStringLiteral("bVoleta3DV2_3D_アナグリフ.png"));
        QCOMPARE(QImage((*fake)->saveAnswer).convertToFormat(QImage::Format_RGB32), anaglyphOf(w1->depth()));

        // Live view and undo: a deeper first line changes the anaglyph shown, undo brings the first one back.
        item("anaglyphView")->setChecked(true);
        QVERIFY(!item("pairView")->isChecked());
        const QImage before = canvas->backdrop()->copy();
        item("liveView")->setChecked(true);
        control<QSlider>("Slider1")->setValue(18);
        settle(w1);
        QCOMPARE(*canvas->backdrop(), anaglyphOf(w1->depth()));
        QVERIFY(*canvas->backdrop() != before);
        Wiring::existing()->model()->undoStack()->undo();
        settle(w1);
        QCOMPARE(*canvas->backdrop(), before);

        // None ticked: the stereogram again, and that is what prints.
        item("anaglyphView")->setChecked(false);
        QCOMPARE(canvas->backdrop(), &w1->picture());
        QCOMPARE(printedRows(), 400);
    }

    // The views start off with every new main window (the last test left two on).
    // Live view off, and off again after being on, leaves the flow as it was: changes
    // redraw the preview only, and nothing is composed or shown.
    void liveOffLeavesTheFlow()
    {
        for (bool wasOn : { false, true }) {
            Window1* w1 = start();
            for (const char* name : { "liveView", "answerView", "anaglyphView", "pairView", "highQuality" })
                QVERIFY(!item(name)->isChecked());
            if (wasOn) {
                item("liveView")->setChecked(true);
                settle(w1);
                item("liveView")->setChecked(false);
            }
            QSignalSpy shown(w1, &Window1::pictureShown);
            const QImage before = w1->picture().copy();
            control<QLineEdit>("EditField1")->setText(QStringLiteral("山"));
            control<QSlider>("Slider2")->setValue(-3);
            control<PopupMenu>("PopupMenu3")->setListIndex(0);
            QCoreApplication::processEvents();
            QCOMPARE(shown.count(), 0);
            QCOMPARE(w1->picture(), before);
            QVERIFY(!mainControl<Canvas>(w1, "Canvas3")->isHidden());
            QCOMPARE(mainControl<Canvas>(w1, "Canvas1")->backdrop() != nullptr, wasOn);
            QCOMPARE(mainControl(w1, "PushButton2")->isEnabled(), wasOn);
        }
    }
};

int main(int argc, char** argv)
{
    Class1 app(argc, argv);
    TestViews test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_views.moc"
