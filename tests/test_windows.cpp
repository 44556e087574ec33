// The main and settings windows driven as a user would, on the offscreen platform,
// with picture folders made by each test and the recording fake dialogs.
#include "app/Class1.h"
#include "app/Menu.h"
#include "controls/Controls.h"
#include "main_window/Window1.h"
#include "platform/Files.h"
#include "render/Pipeline.h"
#include "settings/Window2.h"
#include "support/FakeDialogs.h"
#include "text/TextLayer.h"

#include <QAction>
#include <QCheckBox>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSet>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

const QString kSource = QStringLiteral("画像フォルダ");
const QString kBackground = QStringLiteral("背景フォルダ");

// Stripes to repeat for a source picture; for a map, a blue slope that rises across and down.
QImage picture(QSize size, bool map)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, map ? qRgb(0, 0, (x / 4 + y / 3) % 256) : qRgb(x * 4, y * 2, (x * y) & 255));
    return image;
}

} // namespace

class TestWindows : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<ScopedFakeDialogs> fake;

    // Makes the two picture folders afresh, each picture PNG data whatever its name.
    void makeFolders(const QStringList& sources, const QStringList& backgrounds)
    {
        QVERIFY(QDir(dir.path()).removeRecursively());
        for (const auto& [folder, names] : { std::pair { kSource, sources }, std::pair { kBackground, backgrounds } }) {
            QVERIFY(QDir().mkpath(dir.filePath(folder)));
            for (const QString& name : names)
                QVERIFY(picture(name == "map.jpg" ? QSize(1000, 800) : QSize(64, 128), folder == kBackground)
                            .save(dir.filePath(folder + QLatin1Char('/') + name), "PNG"));
        }
    }
    // Starts the program afresh over the current test folders.
    Window1* start()
    {
        Window1::destroyInstances();
        platform::resetQuitRequest();
        fake = std::make_unique<ScopedFakeDialogs>();
        platform::setApplicationFolder(dir.path());
        return Window1::instance();
    }
    Window2* w2() const { return Window2::instance(); }
    QPoint pan() const { return QPoint(w2()->x1, w2()->y1); }
    // Chooses rows as the code would: "PopupMenu4:0 PopupMenu13:5" sets two lists in turn.
    void choose(const QString& steps) const
    {
        for (const QString& step : steps.split(QLatin1Char(' '))) {
            const QStringList nameAndRow = step.split(QLatin1Char(':'));
            w2()->findChild<PopupMenu*>(nameAndRow[0])->setListIndex(nameAndRow[1].toInt());
        }
    }

private Q_SLOTS:
    void init() { makeFolders({ "a.jpg", "b.jpg" }, { "0 flat.jpg", "map.jpg" }); }
    void cleanupTestCase() { Window1::destroyInstances(), fake.reset(); }

    // What users see at start: the settings window in front with the cursor in line 1,
    // the second source loaded and nothing composed.
    void startUpState()
    {
        Window1* w1 = start();
        QCOMPARE(w1->windowTitle(), QStringLiteral("Voleta Ver. 1.996"));
        QVERIFY(w2()->isVisible());
        QCOMPARE(w2()->focusWidget(), w2()->EditField1);
        for (QPushButton* b : { w1->PushButton1, w1->PushButton2, w1->PushButton3 })
            QVERIFY(!b->isEnabled());
        QVERIFY(w2()->PushButton1->isEnabled());
        QVERIFY(!w1->Canvas1->hasBackdrop());
        QVERIFY(w1->Canvas3->hasBackdrop());
        QVERIFY(w2()->Canvas2->hasBackdrop()); // the first background, though it stands for the flat plane
        QCOMPARE(w2()->PopupMenu7->ListIndex(), -1);
        for (PopupArrow* a : { w2()->PopupArrow1, w2()->PopupArrow2, w2()->PopupArrow3, w2()->PopupArrow4 })
            QVERIFY(a->isHidden());
        QStringList rows;
        for (PopupMenu* m : { w2()->PopupMenu1, w2()->PopupMenu4, w2()->PopupMenu9, w2()->PopupMenu2, w2()->PopupMenu10,
                 w2()->PopupMenu12, w2()->PopupMenu13 })
            rows << m->Text();
        QCOMPARE(rows, QStringList({ "120", "110", "100", "近5", "平行方", " 1 ×", "1.5×" }));
    }

    // Neither window grows, not by a resize nor by maximising, and neither has a maximise
    // box; the settings window is the main window's transient at (350, 400),
    // with a title bar and no boxes in it.
    void windowSizesAndKinds()
    {
        Window1* w1 = start();
        const QSize mainSize(980, 685 + w1->menuBar()->sizeHint().height());
        for (const auto& [w, size] : { std::pair<QWidget*, QSize> { w1, mainSize }, { w2(), QSize(480, 270) } }) {
            QCOMPARE(w->size(), size);
            QVERIFY(!(w->windowFlags() & Qt::WindowMaximizeButtonHint));
            w->resize(1500, 1100);
            w->showMaximized();
            QCoreApplication::processEvents();
            QCOMPARE(w->size(), size);
        }
        QCOMPARE(w2()->parentWidget(), w1);
        QCOMPARE(w2()->pos(), QPoint(350, 400));
        const Qt::WindowFlags flags = w2()->windowFlags();
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Dialog);
        QVERIFY((flags & Qt::CustomizeWindowHint) && (flags & Qt::WindowTitleHint));
        QVERIFY(!(flags & (Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint)));

        // The settings window cannot be closed; 終了 and closing the main window end the program.
        w2()->close();
        QVERIFY(w2()->isVisible() && !platform::quitRequested());
        Menu::instance()->item(QStringLiteral("FileQuit"))->trigger();
        QVERIFY(platform::quitRequested());
        platform::resetQuitRequest();
        w1->close();
        QVERIFY(platform::quitRequested());
    }

    // Tab walks the settings window in reading order (rows top to bottom, left to right
    // within a row), once round, back to line 1.
    void tabChain()
    {
        start();
        QList<QWidget*> chain;
        QWidget* w = w2()->EditField1;
        int wraps = 0;
        for (int i = 0; i < 100; ++i) {
            QTest::keyClick(w, Qt::Key_Tab);
            QWidget* next = w2()->focusWidget();
            QVERIFY(next && next != w);
            if (next == w2()->EditField1) break;
            QVERIFY2(w2()->rect().contains(next->geometry()), qPrintable(next->objectName()));
            const int rowStep = next->geometry().center().y() - w->geometry().center().y();
            const bool sameRowRightwards = qAbs(rowStep) <= 12 && next->x() > w->x();
            if (!sameRowRightwards && rowStep <= 12) ++wraps;
            chain << next;
            w = next;
        }
        QCOMPARE(wraps, 1);
        QCOMPARE(chain.size(), 23); // every control but the first
    }

    // Save from the main window offers a name made of the chosen source and the three
    // fields, trimmed. The dialog opens in Pictures (or home) until a save succeeds,
    // then where it went, for as long as that folder exists.
    void saveNameAndFolder()
    {
        QTemporaryDir home;
        const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
        const auto restore = qScopeGuard([&] {
            qputenv("HOME", oldHome);
            oldConfig.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", oldConfig);
            platform::rememberSaveFolder(QString());
        });
        platform::rememberSaveFolder(QString());
        QCOMPARE(platform::saveFolder(), home.path());
        QVERIFY(QDir(home.path()).mkdir(QStringLiteral("Pictures")));
        QCOMPARE(platform::saveFolder(), home.filePath(QStringLiteral("Pictures")));

        Window1* w1 = start();
        w2()->PushButton1_Action();
        const QString out = dir.filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(out));
        (*fake)->saveAnswer = out + QStringLiteral("/x.jpg");
        w1->PushButton2->click();
        QCOMPARE((*fake)->suggestedNames, QStringList { QStringLiteral("bVoleta3DV2_3D.jpg") });
        QCOMPARE(platform::saveFolder(), out);
        (*fake)->saveAnswer = dir.filePath(QStringLiteral("gone/y.jpg")); // fails: no such folder
        Menu::instance()->item(QStringLiteral("svdt"))->trigger();
        QCOMPARE((*fake)->messages.size(), 1);
        QCOMPARE(platform::saveFolder(), out);
        QVERIFY(QDir(out).removeRecursively());
        QCOMPARE(platform::saveFolder(), home.filePath(QStringLiteral("Pictures")));
    }

    // Each family once, by its plain name, and every row draws in its own font.
    void fontLists()
    {
        QCOMPARE(text::plainFamilies({ "C059 [UKWN]", "Sans", "C059 [urw]", "Mono [x]", "Mono", "Odd [name" }),
            QStringList({ "C059", "Sans", "Mono", "Odd [name" }));
        start();
        QStringList rows;
        for (int i = 0; i < w2()->PopupMenu7->count(); ++i)
            rows << w2()->PopupMenu7->itemText(i);
        QVERIFY(!rows.isEmpty());
        QCOMPARE(QSet<QString>(rows.begin(), rows.end()).size(), rows.size());
        for (const QString& row : rows)
            QVERIFY2(!row.contains(QLatin1String(" [")) && text::isInstalled(row), qPrintable(row));
    }

    // Qt's own dialogs speak Japanese when Qt's translations are installed.
    void qtDialogsInJapanese()
    {
        if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_ja.qm")))
            QSKIP("Qt's Japanese translations are not installed");
        for (const char* english : { "Save As", "&Save" }) {
            const QString shown = QCoreApplication::translate("QFileDialog", english);
            QVERIFY2(std::any_of(shown.begin(), shown.end(), [](QChar c) { return c.unicode() >= 0x3000; }), english);
        }
    }

    // Rows added never select; set in code the handler runs once, even for the same
    // row or a row that does not exist; the user's choice runs it once.
    void popupMenuChange()
    {
        PopupMenu list;
        QSignalSpy spy(&list, &PopupMenu::Change);
        list.AddRow(QStringLiteral("one"));
        list.AddRow(QStringLiteral("two"));
        QCOMPARE(list.ListIndex(), -1);
        list.setListIndex(1);
        list.setListIndex(1);
        QCOMPARE(list.Text(), QStringLiteral("two"));
        list.setCurrentIndex(0);
        QCOMPARE(spy.count(), 3);
        list.DeleteAllRows();
        list.setListIndex(5);
        QCOMPARE(list.ListIndex(), -1);
        QCOMPARE(spy.count(), 4);
    }

    // A popup arrow answers a press of the left button only; new rows keep the chosen row
    // by its text; the interface font is bold when asked.
    void smallControls()
    {
        PopupArrow arrow(PopupArrow::Upward);
        arrow.resize(10, 8);
        arrow.show();
        QSignalSpy pressed(&arrow, &PopupArrow::MouseDown);
        QTest::mouseClick(&arrow, Qt::RightButton, {}, QPoint(2, 3));
        QTest::mouseClick(&arrow, Qt::LeftButton, {}, QPoint(4, 5));
        QCOMPARE(pressed.count(), 1);
        QCOMPARE(pressed[0][0].toPoint(), QPoint(4, 5));
        PopupMenu list;
        for (const char* row : { "a", "b", "c" })
            list.AddRow(QString::fromLatin1(row));
        list.setListIndex(1);
        list.ReplaceRows({ "b", "c" });
        QCOMPARE(list.ListIndex(), 0);
        list.ReplaceRows({ "a", "c" });
        QCOMPARE(list.ListIndex(), -1);
        QVERIFY(uiFont(12, true).bold() && !uiFont(12).bold());
    }

    // The arrows pan by 3 and stop at the map's edges; a zoom pulls the crop back in.
    // At " 2 ×" the crop of the 1000 x 800 map is 500 x 400, so the pan reaches 250, 200.
    void zoomAndPan()
    {
        start();
        choose("PopupMenu11:1 PopupMenu12:2");
        w2()->PopupArrow1_MouseDown(0, 0);
        w2()->PopupArrow1_MouseDown(0, 0);
        w2()->PopupArrow3_MouseDown(0, 0);
        QCOMPARE(pan(), QPoint(3, 6));
        for (int i = 0; i < 100; ++i) {
            w2()->PopupArrow4_MouseDown(0, 0);
            w2()->PopupArrow2_MouseDown(0, 0);
        }
        QCOMPARE(pan(), QPoint(-250, -200));
        choose("PopupMenu12:3"); // 2.5 x: still inside, kept
        QCOMPARE(pan(), QPoint(-250, -200));
        choose("PopupMenu12:1"); // 1.5 x: the 666 x 533 crop is pulled back in
        QCOMPARE(pan(), QPoint(-166, -133));
        choose("PopupMenu12:0");
        QCOMPARE(pan(), QPoint(0, 0));
    }

    void folderScans_data()
    {
        QTest::addColumn<QStringList>("sourceFiles");
        QTest::addColumn<QStringList>("backgroundFiles");
        QTest::addColumn<QStringList>("removed"); // folders
        QTest::addColumn<QStringList>("sourceRows");
        QTest::addColumn<QStringList>("backgroundRows");
        QTest::addColumn<int>("sourceRow");
        QTest::addColumn<QStringList>("messages"); // any message ends the program
        const QStringList none;
        const QString noSources = QStringLiteral("画像フォルダーに画像がありません");
        const QString noBackgrounds = QStringLiteral("背景フォルダーに画像がありません");
        QTest::newRow("pict is listed, text is not; second row chosen")
            << QStringList { "a.jpg", "b.pict", "notes.txt" } << QStringList { "0.jpg" } << none
            << QStringList { "a.jpg", "b.pict" } << QStringList { "0.jpg" } << 1 << none;
        QTest::newRow("no pict, no .jpeg among backgrounds")
            << QStringList { "a.jpg" } << QStringList { "0.jpg", "m.pict", "photo.jpeg", "x.JPG" } << none
            << QStringList { "a.jpg" } << QStringList { "0.jpg", "x.JPG" } << 0 << none;
        QTest::newRow("empty folders") << none << none << none << none << none << -1 << none;
        QTest::newRow("no source folder")
            << none << none << QStringList { kSource } << none << none << -1 << QStringList { noSources };
        QTest::newRow("neither folder") << none << none << QStringList { kSource, kBackground } << none << none << -1
                                        << QStringList { noSources, noBackgrounds };
    }
    void folderScans()
    {
        QFETCH(QStringList, sourceFiles);
        QFETCH(QStringList, backgroundFiles);
        QFETCH(QStringList, removed);
        QFETCH(QStringList, messages);
        makeFolders(sourceFiles, backgroundFiles);
        for (const QString& folder : removed)
            QVERIFY(QDir(dir.filePath(folder)).removeRecursively());
        start();
        QTEST(w2()->PopupMenu3->Rows(), "sourceRows");
        QTEST(w2()->PopupMenu11->Rows(), "backgroundRows");
        QTEST(w2()->PopupMenu3->ListIndex(), "sourceRow");
        QCOMPARE((*fake)->messages, messages);
        QCOMPARE(platform::quitRequested(), !messages.isEmpty());
    }

    // Each control of a text row changes its own line by its own amount and leaves the
    // other lines as they were; the style boxes show in the line's own field too.
    void lineControls_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("name"); // of the control
        QTest::addColumn<int>("field"); // 0 x, 1 y, 2 size, 3 italic, 4 bold
        QTest::addColumn<int>("change"); // added to the field
        // Each kind of control: its names on lines 1 to 3, the field, the changes on lines 1 to 3.
        const QList<std::tuple<const char*, QStringList, int, QList<int>>> kinds {
            { "up", { "LittleArrows1", "LittleArrows2", "LittleArrows3" }, 1, { -3, -3, -3 } },
            { "down", { "LittleArrows1", "LittleArrows2", "LittleArrows3" }, 1, { 3, 3, 3 } },
            { "<", { "BevelButton1", "BevelButton4", "BevelButton2" }, 0, { -3, -3, -3 } },
            { ">", { "BevelButton3", "BevelButton5", "BevelButton6" }, 0, { 3, 3, 3 } },
            // "70" is 280 mask pixels; the lines start at 440, 400, 360.
            { "size 70", { "PopupMenu1", "PopupMenu4", "PopupMenu9" }, 2, { -160, -120, -80 } },
            { "italic", { "CheckBox2", "CheckBox3", "CheckBox5" }, 3, { 1, 1, 1 } },
            { "bold", { "CheckBox1", "CheckBox4", "CheckBox6" }, 4, { 1, 1, 1 } },
        };
        for (const auto& [what, names, field, changes] : kinds)
            for (int n = 1; n <= 3; ++n)
                QTest::addRow("line %d %s", n, what) << n << names[n - 1] << field << changes[n - 1];
    }
    void lineControls()
    {
        QFETCH(int, line);
        QFETCH(QString, name);
        QFETCH(int, field);
        QFETCH(int, change);
        Window1* w1 = start();
        const auto numbers = [w1] {
            QList<int> all;
            for (const text::Line& l : w1->lines())
                all << l.x << l.y << l.size << l.italic << l.bold;
            return all;
        };
        QList<int> expected = numbers();
        expected[(line - 1) * 5 + field] += change;
        QWidget* widget = w2()->findChild<QWidget*>(name);
        if (auto* arrows = qobject_cast<LittleArrows*>(widget))
            (change < 0 ? arrows->upButton() : arrows->downButton())->click();
        else if (auto* list = qobject_cast<PopupMenu*>(widget))
            list->setListIndex(0);
        else
            static_cast<QAbstractButton*>(widget)->click();
        QCOMPARE(numbers(), expected);
        const QFont font = w2()->lineField(line)->font();
        QCOMPARE(font.italic(), field == 3);
        QCOMPARE(font.bold(), field == 4);
    }

    // Which lists enable the Display button (w2) and the Settings button (w1), both
    // disabled before.
    void buttonRules_data()
    {
        QTest::addColumn<bool>("source"); // a source picture is shown
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("display");
        QTest::addColumn<bool>("settings");
        const auto row = [](const char* name, bool source, const char* steps, bool display, bool settings) {
            QTest::newRow(name) << source << QString::fromLatin1(steps) << display << settings;
        };
        row("near/far", true, "PopupMenu5:3", true, false);
        row("near/far without a source", false, "PopupMenu2:3", false, false);
        row("crossed viewing", true, "PopupMenu10:1", true, true);
        row("crossed, line 2 at 70", true, "PopupMenu4:0 PopupMenu10:1", true, false);
        row("height", true, "PopupMenu13:0", true, true);
        row("height, line 2 at 70", true, "PopupMenu4:0 PopupMenu13:5", true, false);
        row("zoom over a map", true, "PopupMenu11:1 PopupMenu12:3", true, true);
        row("a map without a source", false, "PopupMenu11:1", true, false);
        row("the flat plane without a source", false, "PopupMenu11:1 PopupMenu11:0", false, false);
    }
    void buttonRules()
    {
        QFETCH(bool, source);
        QFETCH(QString, steps);
        Window1* w1 = start();
        if (!source) w1->Canvas3->clearBackdrop();
        w2()->PushButton1->setEnabled(false);
        choose(steps);
        QTEST(w2()->PushButton1->isEnabled(), "display");
        QTEST(w1->PushButton1->isEnabled(), "settings");
    }

    void displayCommand()
    {
        Window1* w1 = start();
        QSignalSpy shown(w1, &Window1::pictureShown);
        w2()->PushButton1_Action();
        QVERIFY(!w2()->isVisible());
        QVERIFY(w2()->PushButton1->isEnabled()); // the text redraw inside the command enables it again
        for (QPushButton* b : { w1->PushButton1, w1->PushButton2, w1->PushButton3 })
            QVERIFY(b->isEnabled());
        QVERIFY(w1->Canvas3->isHidden());
        QCOMPARE(w1->Canvas1->backdrop(), &w1->bu1);
        QList<int> rows;
        for (const auto& args : shown)
            rows << args.at(0).toInt();
        QCOMPARE(rows, QList<int>({ 140, 290, 440, 590, 740, 890, 1040, 1190, -1 }));
        QCOMPARE(QList<int>({ w1->k1, w1->k2, w1->k3 }), QList<int>({ 12, 16, 20 }));

        // The 設定 menu command shows the settings window, the Settings button also disables
        // itself; the same settings give the same picture.
        Menu::instance()->item(QStringLiteral("settei"))->trigger();
        QVERIFY(w2()->isVisible() && w1->PushButton1->isEnabled());
        const QImage first = w1->bu1.copy();
        w1->PushButton1->click();
        QVERIFY(w2()->isVisible() && !w1->PushButton1->isEnabled());
        w2()->PushButton1_Action();
        QCOMPARE(w1->bu1, first);

        // Another source shows over the picture, which stays until the next Display.
        choose(QStringLiteral("PopupMenu3:0"));
        QVERIFY(!w1->Canvas3->isHidden());
        QCOMPARE(w1->bu1, first);
    }

    // The Display command and the headless renderer's pipeline agree to the entry, over
    // a map zoomed, panned past its edge, crossed viewing, line 2 moved and line 1 bold.
    void displayMatchesHeadlessPipeline()
    {
        Window1* w1 = start();
        choose(QStringLiteral("PopupMenu11:1 PopupMenu12:2 PopupMenu13:4 PopupMenu10:1"));
        w2()->x1 = 5000, w2()->y1 = -33; // set directly: Display pulls it in
        w2()->BevelButton4->click();
        w2()->CheckBox1->click();
        w2()->PushButton1_Action();
        QCOMPARE(pan(), QPoint(250, -33));

        render::Scene scene;
        scene.map = picture(QSize(1000, 800), true);
        scene.zoomRow = 2;
        scene.pan = QPoint(5000, -33);
        scene.kt = 5;
        scene.hk = -1;
        scene.lines[1].x -= 3;
        scene.lines[0].bold = 1;
        scene.pattern = picture(QSize(64, 128), false);
        const render::DepthArray depth = render::sceneDepth(scene);
        QVERIFY(depth == w1->a);
        QCOMPARE(render::composeScene(scene.pattern, depth), w1->bu1);
    }
};

int main(int argc, char** argv)
{
    Class1 app(argc, argv);
    TestWindows test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_windows.moc"
