// The views of the 編集 menu, driven through the windows: live view, the answer view
// and high quality, and the answer picture saved from the ファイル menu.
#include "app/Class1.h"
#include "app/Menu.h"
#include "controls/Controls.h"
#include "main_window/Window1.h"
#include "platform/Files.h"
#include "render/Answer.h"
#include "render/Engine.h"
#include "render/Pipeline.h"
#include "render/QualityCompose.h"
#include "settings/Window2.h"
#include "support/FakeDialogs.h"

#include <QAction>
#include <QCheckBox>
#include <QImageReader>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

namespace {

const QString kSource = QStringLiteral("画像フォルダ");
const QString kBackground = QStringLiteral("背景フォルダ");

QImage pattern(int seed)
{
    QImage image(64, 128, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 4 + seed, y * 2, (x * y + seed) & 255));
    return image;
}

// A terrain whose blue channel changes across and down, so zoom and pan change the relief.
QImage hills()
{
    QImage image(900, 700, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(0, 0, (x / 4 + y / 3) % 256));
    return image;
}

using Change = std::function<void(Window2*)>;

QAction* item(const char* name)
{
    return Menu::instance()->item(QString::fromLatin1(name));
}

} // namespace

Q_DECLARE_METATYPE(Change)

class TestViews : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<ScopedFakeDialogs> fake;

    QString folder(const QString& name) const { return dir.filePath(name); }

    Window1* start()
    {
        Window1::destroyInstances();
        platform::resetQuitRequest();
        fake = std::make_unique<ScopedFakeDialogs>();
        platform::setApplicationFolder(dir.path());
        return Window1::instance();
    }
    Window2* w2() const { return Window2::instance(); }

    // Lets the event loop run until no live composition waits.
    static void settle(Window1* w1)
    {
        auto* timer = w1->findChild<QTimer*>(QStringLiteral("liveTimer"));
        QVERIFY(timer);
        for (int i = 0; i < 50 && timer->isActive(); ++i)
            QCoreApplication::processEvents();
        QVERIFY(!timer->isActive());
    }

    // The scene of the start state over the chosen source picture, written out here
    // rather than read from the windows.
    render::Scene startScene(const QString& source) const
    {
        render::Scene scene;
        scene.pattern = platform::openPicture(folder(kSource) + QLatin1Char('/') + source).image;
        return scene;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QDir().mkpath(folder(kSource));
        QDir().mkpath(folder(kBackground));
        QVERIFY(pattern(0).save(folder(kSource) + QStringLiteral("/a.png")));
        QVERIFY(pattern(90).save(folder(kSource) + QStringLiteral("/b.png")));
        QImage flat(100, 80, QImage::Format_RGB32);
        flat.fill(qRgb(200, 200, 200));
        QVERIFY(flat.save(folder(kBackground) + QStringLiteral("/0 flat.jpg"), "JPG"));
        QVERIFY(hills().save(folder(kBackground) + QStringLiteral("/hills.jpg"), "PNG"));
    }
    void cleanupTestCase()
    {
        Window1::destroyInstances();
        fake.reset();
    }

    // The new items sit after the old ones, in the menus users look in.
    void menus()
    {
        start();
        QStringList file, edit;
        for (QAction* a : item("UntitledMenu1")->menu()->actions())
            file << (a->isSeparator() ? QStringLiteral("-") : a->text());
        for (QAction* a : item("UntitledMenu0")->menu()->actions())
            edit << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(file,
            QStringList({ "画像保存", "答えを保存…", "-", "画像フォルダを開く", "背景フォルダを開く", "-", "終了" }));
        QCOMPARE(edit, QStringList({ "設定", "-", "ライブ表示", "答えを表示", "高画質" }));
        for (const char* name : { "liveView", "answerView", "highQuality" }) {
            QVERIFY(item(name)->isCheckable());
            QVERIFY(!item(name)->isChecked());
        }
    }

    // Off at start, and off again after being on: changes redraw the preview only, as
    // without the view; nothing is composed and the main window stays as it was.
    void liveOffLeavesTheFlow()
    {
        for (bool wasOn : { false, true }) {
            Window1* w1 = start();
            QVERIFY(!w1->liveView());
            if (wasOn) {
                item("liveView")->setChecked(true);
                settle(w1);
                item("liveView")->setChecked(false);
            }
            QSignalSpy shown(w1, &Window1::pictureShown);
            const QImage before = w1->bu1.copy();
            w2()->EditField1->setText(QStringLiteral("山"));
            w2()->Slider2->setValue(-3);
            w2()->PopupMenu3->setListIndex(0);
            QCoreApplication::processEvents();
            QCOMPARE(shown.count(), 0);
            QCOMPARE(w1->bu1, before);
            QVERIFY(!w1->Canvas3->isHidden());
            QCOMPARE(w1->Canvas1->hasBackdrop(), wasOn);
            QCOMPARE(w1->PushButton2->isEnabled(), wasOn);
        }
    }

    // Each kind of change recomposes once, and the picture shown is the one of the
    // new settings; the settings window stays open.
    void liveRecomposes_data()
    {
        QTest::addColumn<Change>("change");
        QTest::newRow("a character typed") << Change([](Window2* w) { w->EditField2->insert(QStringLiteral("x")); });
        QTest::newRow("a depth slider") << Change([](Window2* w) { w->Slider3->setValue(-7); });
        QTest::newRow("a line moved") << Change([](Window2* w) { w->BevelButton5->click(); });
        QTest::newRow("bold") << Change([](Window2* w) { w->CheckBox1->click(); });
        QTest::newRow("a size") << Change([](Window2* w) { w->PopupMenu9->setListIndex(0); });
        QTest::newRow("the source picture") << Change([](Window2* w) { w->PopupMenu3->setListIndex(0); });
        QTest::newRow("the viewing method") << Change([](Window2* w) { w->PopupMenu10->setListIndex(1); });
        QTest::newRow("the height difference") << Change([](Window2* w) { w->PopupMenu13->setListIndex(5); });
        QTest::newRow("zoom") << Change([](Window2* w) { w->PopupMenu12->setListIndex(3); });
        QTest::newRow("a pan arrow") << Change([](Window2* w) { w->PopupArrow1_MouseDown(0, 0); });
        QTest::newRow("the flat background") << Change([](Window2* w) { w->PopupMenu11->setListIndex(0); });
    }
    void liveRecomposes()
    {
        QFETCH(Change, change);
        Window1* w1 = start();
        w2()->PopupMenu11->setListIndex(1); // hills
        w2()->PopupMenu12->setListIndex(2);
        QSignalSpy shown(w1, &Window1::pictureShown);
        item("liveView")->setChecked(true);
        settle(w1);
        QCOMPARE(shown.count(), 1);
        QVERIFY(w1->Canvas3->isHidden());
        QCOMPARE(w1->Canvas1->backdrop(), &w1->bu1);
        QVERIFY(w1->PushButton2->isEnabled() && w1->PushButton3->isEnabled());
        const QImage before = w1->bu1.copy();

        change(w2());
        settle(w1);
        QCOMPARE(shown.count(), 2);
        QCOMPARE(shown.last().at(0).toInt(), -1); // shown whole, never row by row
        QVERIFY(w1->bu1 != before);
        QVERIFY(w2()->isVisible());
    }

    // Ten characters typed before the event loop runs give one composition, of the
    // text as it ends; five more with the loop running between give at most one each
    // time it runs, and end at the last text.
    void quickChangesCoalesce()
    {
        Window1* w1 = start();
        item("liveView")->setChecked(true);
        settle(w1);
        QSignalSpy shown(w1, &Window1::pictureShown);
        w2()->EditField1->clear();
        QTest::keyClicks(w2()->EditField1, QStringLiteral("abcdefghij"));
        settle(w1);
        QCOMPARE(shown.count(), 1);

        render::Scene scene = startScene(QStringLiteral("b.png")); // the second row is chosen at start
        scene.lines[0].text = QStringLiteral("abcdefghij");
        QCOMPARE(w1->bu1, render::composeScene(scene.pattern, render::sceneDepth(scene)));

        shown.clear();
        for (const char* text : { "k", "l", "m", "n", "o" }) {
            w2()->EditField1->insert(QString::fromLatin1(text));
            w2()->EditField1->insert(QString::fromLatin1(text));
            QCoreApplication::processEvents();
        }
        settle(w1);
        QVERIFY2(shown.count() <= 5, qPrintable(QString::number(shown.count())));
        scene.lines[0].text = QStringLiteral("abcdefghijkkllmmnnoo");
        QCOMPARE(w1->bu1, render::composeScene(scene.pattern, render::sceneDepth(scene)));
    }

    // Whatever the settings, the live picture and depths are those the Display command
    // then gives, pixel for pixel, in either composition.
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
        w2()->PopupMenu11->setListIndex(1);
        w2()->PopupMenu12->setListIndex(2);
        w2()->PopupMenu13->setListIndex(4);
        w2()->PopupMenu10->setListIndex(1);
        for (int i = 0; i < 40; ++i)
            w2()->PopupArrow3_MouseDown(0, 0);
        w2()->BevelButton4->click();
        w2()->CheckBox1->click();
        w2()->Slider1->setValue(-18);
        w2()->EditField3->setText(QStringLiteral("立体"));
        settle(w1);
        const QImage live = w1->bu1.copy();
        const render::DepthArray liveDepth = w1->a;

        w2()->PushButton1_Action();
        settle(w1);
        QCOMPARE(w1->bu1, live);
        QVERIFY(w1->a == liveDepth);
        QVERIFY(live != render::composeScene(*w1->Canvas3->backdrop(), liveDepth, !quality));
    }

    // 高画質 makes the Display command compose by the symmetric links (still shown row
    // by row); off again, it composes as specified.
    void qualityDisplay()
    {
        Window1* w1 = start();
        const render::Scene scene = startScene(QStringLiteral("b.png"));
        const render::DepthArray depth = render::sceneDepth(scene);
        QImage symmetric(1920, 1280, QImage::Format_RGB32);
        render::composeQuality(render::patternStrip(scene.pattern), depth, symmetric);

        item("highQuality")->setChecked(true);
        QSignalSpy shown(w1, &Window1::pictureShown);
        w2()->PushButton1_Action();
        QCOMPARE(shown.count(), 9);
        QCOMPARE(w1->bu1, symmetric);
        item("highQuality")->setChecked(false);
        w2()->PushButton1_Action();
        QCOMPARE(w1->bu1, render::composeScene(scene.pattern, depth));
        QVERIFY(w1->bu1 != symmetric);
    }

    // The answer view shows the depth in place of the picture (the start lines light
    // on the far grey of the plane); saving still writes the stereogram.
    void answerView()
    {
        Window1* w1 = start();
        item("answerView")->setChecked(true);
        QVERIFY(!w1->Canvas1->hasBackdrop()); // nothing composed yet
        w2()->PushButton1_Action();
        const QImage* shown = w1->Canvas1->backdrop();
        QVERIFY(shown && shown != &w1->bu1);
        QCOMPARE(shown->format(), QImage::Format_Grayscale8);
        QCOMPARE(shown->size(), QSize(1920, 1280));
        QCOMPARE(qGray(shown->pixel(170, 1279)), render::kAnswerFar); // the plane, below the lines
        QCOMPARE(qGray(shown->pixel(160 + 800, 1279)), render::kAnswerFar);
        int nearest = 0;
        for (int x = 160; x < 1760; ++x)
            nearest = std::max(nearest, qGray(shown->pixel(x, 1100))); // across line 3
        QCOMPARE(nearest, render::kAnswerNear);

        (*fake)->saveAnswer = dir.filePath(QStringLiteral("shown.png"));
        w1->PushButton2->click();
        QCOMPARE(QImage((*fake)->saveAnswer).convertToFormat(QImage::Format_RGB32), w1->bu1);

        item("answerView")->setChecked(false);
        QCOMPARE(w1->Canvas1->backdrop(), &w1->bu1);
        // Live view keeps the answer in place while the settings change.
        item("answerView")->setChecked(true);
        item("liveView")->setChecked(true);
        w2()->EditField1->clear();
        w2()->EditField2->clear();
        w2()->EditField3->clear();
        settle(w1);
        const QImage* flat = w1->Canvas1->backdrop();
        QCOMPARE(flat->format(), QImage::Format_Grayscale8);
        QCOMPARE(qGray(flat->pixel(1000, 600)), render::kAnswerFlat); // one depth: mid grey
    }

    // 答えを保存… offers the stereogram's name with "_答え" and writes the answer as PNG.
    void answerFile()
    {
        Window1* w1 = start();
        w2()->EditField2->setText(QStringLiteral("山"));
        w2()->PushButton1_Action();
        (*fake)->saveAnswer = dir.filePath(QStringLiteral("answer.png"));
        item("answerSave")->trigger();
        QCOMPARE((*fake)->suggestedNames, QStringList { QStringLiteral("bVoleta山V2_3D_答え.png") });
        QImageReader reader((*fake)->saveAnswer);
        QCOMPARE(reader.format(), QByteArray("png"));
        const QImage answer = reader.read();
        QCOMPARE(answer.size(), QSize(1920, 1280));
        QVERIFY(answer.allGray());
        QCOMPARE(qGray(answer.pixel(170, 1279)), render::kAnswerFar);
        QCOMPARE(answer.convertToFormat(QImage::Format_Grayscale8), render::answerPicture(w1->a));
    }
};

int main(int argc, char** argv)
{
    Class1 app(argc, argv);
    TestViews test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_views.moc"
