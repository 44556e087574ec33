// The views of the 編集 menu driven through the windows: live view, high quality, and the
// answer, anaglyph and pair views with what save, copy and print take from each.
#include "app/Class1.h"
#include "render/Answer.h"
#include "render/Pipeline.h"
#include "render/StereoViews.h"
#include "scene/SceneState.h"
#include "support/Program.h"

#include <QPainter>
#include <QSignalSpy>
#include <QSlider>

using testing::item;

class TestViews : public QObject {
    Q_OBJECT

    testing::Program p;
    FakeDialogs& fake() const { return p.dialogs(); }
    template <class T = QWidget> T* control(const char* name) const { return p.control<T>(QLatin1String(name)); }
    // The rows the page printed by 画像 印刷 covers at the top of a page 600 wide, -1 if nothing printed.
    int printedRows() const
    {
        p.mainControl(QStringLiteral("PushButton3"))->click();
        if (fake().printedPages.isEmpty()) return -1;
        QImage page(600, 600, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        fake().printedPages.last()(painter);
        int rows = 0;
        while (rows < page.height() && page.pixel(300, rows) != qRgb(255, 255, 255))
            ++rows;
        return rows;
    }

private Q_SLOTS:
    void initTestCase() { p.makeFolders({ "a.png", "b.png" }, { "0 flat.jpg", "hills.jpg" }, { 900, 700 }); }

    // Whatever the settings, the live picture and depths are those of the scene worked out
    // by hand here, and those the Display command then gives, in the composition 高画質 chooses.
    void liveEqualsDisplay_data()
    {
        QTest::addColumn<bool>("quality");
        QTest::newRow("plain composition") << false;
        QTest::newRow("high quality") << true;
    }
    void liveEqualsDisplay()
    {
        QFETCH(bool, quality);
        Window1* w1 = p.start();
        item("highQuality")->setChecked(quality);
        item("liveView")->setChecked(true);
        p.choose(QStringLiteral("PopupMenu11:1 PopupMenu10:1 PopupMenu12:2 PopupMenu13:4 PopupMenu3:0"));
        control<PopupArrow>("PopupArrow3")->MouseDown({});
        control<QSlider>("Slider1")->setValue(-18);
        p.settle();
        const QImage live = w1->picture().copy();
        const render::DepthArray liveDepth = w1->depth();
        // The hills zoomed 2 x and panned 3, crossed viewing, height " 3 ×", line 1 at -18.
        render::Scene scene = scene::renderScene(scene::startScene(), {}, {});
        scene.map = testing::stripes({ 900, 700 });
        scene.zoomRow = 2;
        scene.pan = QPoint(3, 0);
        scene.kt = 5;
        scene.hk = -1;
        scene.s1 = -18;
        QVERIFY(liveDepth == render::sceneDepth(scene));
        const QImage pattern = testing::stripes({ 64, 128 });
        QCOMPARE(live, render::composeScene(pattern, liveDepth, quality, -1));
        p.w2()->PushButton1_Action();
        QCOMPARE(w1->picture(), live);
        QVERIFY(w1->depth() == liveDepth);

        // 高画質 switched under live view recomposes; a change made while Display runs
        // (its rows let events through) is composed after it.
        item("highQuality")->setChecked(!quality);
        p.settle();
        QCOMPARE(w1->picture(), render::composeScene(pattern, liveDepth, !quality, -1));
        bool once = true;
        platform::setYieldHook([&] {
            if (std::exchange(once, false)) control<QSlider>("Slider2")->setValue(-18);
        });
        p.w2()->PushButton1_Action();
        platform::setYieldHook({});
        p.settle();
        QVERIFY(!(w1->depth() == liveDepth));
    }

    // Each view shows in place of the stereogram once there is one, one view at a time:
    // made from the composition's depth (and the chosen pattern, b.png), following live view
    // and the viewing method. Copy takes the view shown, 画像 印刷 prints it (the pair a third
    // as high as wide), its own item saves it as PNG; 画像保存 always saves the stereogram.
    void views_data()
    {
        QTest::addColumn<QString>("view"); // the item ticked; "" none
        QTest::addColumn<QString>("save"); // the item that saves the view
        QTest::addColumn<QString>("name"); // suggested
        QTest::addColumn<int>("printed"); // rows on a page 600 wide
        const auto row = [](const char* tag, const char* view, const char* save, const char* name, int printed) {
            QTest::newRow(tag) << QString::fromLatin1(view) << QString::fromLatin1(save) << QString::fromUtf8(name)
                               << printed;
        };
        row("stereogram", "", "svdt", "bVoleta3DV2_3D.jpg", 400);
        row("answer", "answerView", "answerSave", "bVoleta3DV2_3D_答え.png", 400);
        row("anaglyph", "anaglyphView", "anaglyphSave", "bVoleta3DV2_3D_アナグリフ.png", 400);
        row("pair", "pairView", "pairSave", "bVoleta3DV2_3D_ペア.png", 200);
    }
    void views()
    {
        QFETCH(QString, view);
        QFETCH(QString, save);
        Window1* w1 = p.start();
        const QStringList views { "answerView", "anaglyphView", "pairView" };
        for (const QString& v : views)
            item(qPrintable(v))->setChecked(v == view);
        const QImage pattern = testing::stripes({ 64, 128 }, 90);
        const auto expected = [&](int hk) {
            const render::StereoViews s = render::stereoViews(pattern, w1->depth(), hk);
            return view == "answerView"  ? render::answerPicture(w1->depth(), hk)
                : view == "anaglyphView" ? render::anaglyph(s.left, s.right)
                : view == "pairView"     ? render::stereoPair(s.left, s.right, hk)
                                         : w1->picture();
        };
        QVERIFY(!p.shown()); // nothing composed yet
        for (const char* wait : { "copyPicture", "printPreview", "answerSave", "anaglyphSave", "pairSave" })
            QVERIFY2(!item(wait)->isEnabled(), wait);
        item("copyPicture")->trigger();
        QVERIFY(fake().clipboardImages.isEmpty());

        p.choose(QStringLiteral("PopupMenu10:1")); // crossed viewing
        p.w2()->PushButton1_Action();
        QCOMPARE(*p.shown(), expected(-1));
        item("copyPicture")->trigger();
        QCOMPARE(fake().clipboardImages, QList<QImage> { expected(-1) });
        QTEST(printedRows(), "printed");
        fake().saveAnswer = p.dir.filePath(QStringLiteral("view.png"));
        item(qPrintable(save))->trigger();
        QTEST(fake().suggestedNames.last(), "name");
        QCOMPARE(QImage(fake().saveAnswer).convertToFormat(expected(-1).format()), expected(-1));
        fake().saveAnswer = p.dir.filePath(QStringLiteral("stereogram.png"));
        p.mainControl(QStringLiteral("PushButton2"))->click();
        QCOMPARE(QImage(fake().saveAnswer).convertToFormat(QImage::Format_RGB32), w1->picture());

        // Live view: parallel viewing and a deeper first line show in the view at once.
        item("liveView")->setChecked(true);
        p.choose(QStringLiteral("PopupMenu10:0"));
        control<QSlider>("Slider1")->setValue(18);
        p.settle();
        QCOMPARE(*p.shown(), expected(1));
        // Ticked again it shows at once, unticked the stereogram shows again.
        if (view.isEmpty()) return;
        item(qPrintable(view))->setChecked(false);
        item(qPrintable(view))->setChecked(true);
        QCOMPARE(*p.shown(), expected(1));
        item(qPrintable(view))->setChecked(false);
        QCOMPARE(p.shown(), &w1->picture());
    }

    // Live view composes and enables saving; off again after being on it leaves the flow as it
    // was: changes redraw the preview only, nothing is composed.
    void liveOffLeavesTheFlow()
    {
        Window1* w1 = p.start();
        item("liveView")->setChecked(true);
        p.settle();
        QVERIFY(p.shown() && p.mainControl(QStringLiteral("PushButton2"))->isEnabled());
        item("liveView")->setChecked(false);
        QSignalSpy shown(w1, &Window1::pictureShown);
        control<QSlider>("Slider2")->setValue(-3);
        p.choose(QStringLiteral("PopupMenu3:0"));
        QCoreApplication::processEvents();
        QCOMPARE(shown.count(), 0);
        QVERIFY(!p.mainControl<Canvas>(QStringLiteral("Canvas3"))->isHidden());
    }
};

int main(int argc, char** argv)
{
    Class1 app(argc, argv);
    TestViews test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_views.moc"
