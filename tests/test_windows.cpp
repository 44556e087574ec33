// The main and settings windows driven as a user would, on the offscreen platform,
// with picture folders made by each test and the recording fake dialogs.
#include "app/Class1.h"
#include "render/Pipeline.h"
#include "scene/FolderModel.h"
#include "scene/SceneFile.h"
#include "support/Files.h"
#include "support/Program.h"

#include <QCheckBox>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSlider>
#include <QToolButton>
#include <QUndoStack>

Q_DECLARE_METATYPE(std::function<void(scene::SceneState&)>)

using testing::item;

class TestWindows : public QObject {
    Q_OBJECT

    testing::Program p;
    FakeDialogs& fake() const { return p.dialogs(); }
    template <class T = QWidget> T* control(const char* name) const { return p.control<T>(QLatin1String(name)); }
    QPushButton* mainButton(int n) const { return p.mainControl(QStringLiteral("PushButton%1").arg(n)); }

private Q_SLOTS:
    void init() { p.makeFolders({ "a.jpg", "b.jpg" }, { "0 flat.jpg", "map.jpg" }); }

    // What users see at start: the settings window in front with the cursor in line 1,
    // the second source loaded, the start scene in the lists and nothing composed; Qt's own
    // dialogs in Japanese when Qt's translations are installed. The main window keeps its
    // size; the settings window can be made smaller and cannot be closed; closing the main
    // window ends the program.
    void startUpAndQuitting()
    {
        Window1* w1 = p.start();
        QVERIFY(p.w2()->isVisible());
        QCOMPARE(p.w2()->focusWidget(), control<QLineEdit>("EditField1"));
        QVERIFY(p.mainControl<Canvas>("Canvas3")->backdrop() && control<Canvas>("Canvas2")->backdrop());
        QCOMPARE(control<PopupMenu>("PopupMenu7")->ListIndex(), -1);
        QVERIFY(control<PopupArrow>("PopupArrow1")->isHidden());
        QStringList rows;
        for (const char* list :
            { "PopupMenu1", "PopupMenu4", "PopupMenu9", "PopupMenu2", "PopupMenu10", "PopupMenu12", "PopupMenu13" })
            rows << control<PopupMenu>(list)->Text();
        QCOMPARE(rows, QStringList({ "120", "110", "100", "近5", "平行方", " 1 ×", "1.5×" }));
        const QString saveAs = QCoreApplication::translate("QFileDialog", "Save As");
        QVERIFY(!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_ja.qm"))
            || std::any_of(saveAs.begin(), saveAs.end(), [](QChar c) { return c.unicode() >= 0x3000; }));

        const QSize size = w1->size();
        w1->resize(size + QSize(300, 200));
        QCoreApplication::processEvents();
        QCOMPARE(w1->size(), size);
        p.w2()->resize(200, 100);
        QCOMPARE(p.w2()->size(), QSize(200, 100));
        p.w2()->close();
        QVERIFY(p.w2()->isVisible() && !platform::quitRequested());
        w1->close();
        QVERIFY(platform::quitRequested());
    }

    // A picture saved, the next save dialog opens where it went.
    void saveFolder()
    {
        p.start();
        p.w2()->PushButton1_Action();
        const QString out = p.dir.filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(out));
        fake().saveAnswer = out + QStringLiteral("/x.jpg");
        mainButton(2)->click();
        QCOMPARE(platform::saveFolder(), out);
    }

    // A list's rows added never select; set in code its handler runs once, even for the
    // same row or a row that does not exist; new rows keep the chosen row by its text. A popup arrow answers a press of
    // the left button only.
    void smallControls()
    {
        PopupMenu list;
        QSignalSpy spy(&list, &PopupMenu::Change);
        list.AddRow(QStringLiteral("one"));
        list.AddRow(QStringLiteral("two"));
        QCOMPARE(list.ListIndex(), -1);
        list.setListIndex(1);
        list.setListIndex(1);
        list.setListIndex(5);
        QCOMPARE(spy.count(), 3);
        list.ReplaceRows({ "zero", "one", "two" });
        list.setListIndex(1);
        list.ReplaceRows({ "one", "two" });
        QCOMPARE(list.Text(), QStringLiteral("one"));
        PopupArrow arrow(PopupArrow::Upward);
        arrow.resize(10, 8);
        arrow.show();
        QSignalSpy pressed(&arrow, &PopupArrow::MouseDown);
        QTest::mouseClick(&arrow, Qt::RightButton, {}, QPoint(2, 3));
        QCOMPARE(pressed.count(), 0);
        QTest::mouseClick(&arrow, Qt::LeftButton, {}, QPoint(4, 5));
        QCOMPARE(pressed.count(), 1);
    }

    // The pan arrows show once the map is zoomed (the down arrow moves the pan 3 up) and
    // go when it is back at 1 x.
    void panArrows()
    {
        p.start();
        p.choose("PopupMenu11:1 PopupMenu12:2");
        control<PopupArrow>("PopupArrow2")->MouseDown({});
        QCOMPARE(p.model()->state().pan, QPoint(0, -3));
        p.choose("PopupMenu12:0");
        QVERIFY(control<PopupArrow>("PopupArrow2")->isHidden());
    }

    // A click in the 128-pixel-high map preview puts the cursor at the end of line 1
    // above 0.35 of its height, line 2 above 0.7, line 3 below.
    void previewClick_data()
    {
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("line");
        for (const auto& [y, line] : { std::pair { 42, 1 }, { 46, 2 }, { 88, 2 }, { 95, 3 } })
            QTest::addRow("y %d", y) << y << line;
    }
    void previewClick()
    {
        QFETCH(int, y);
        QFETCH(int, line);
        p.start();
        auto* field = p.control<QLineEdit>(QStringLiteral("EditField%1").arg(line));
        field->setCursorPosition(0);
        control<Canvas>("Canvas2")->MouseDown(QPoint(80, y));
        QCOMPARE(p.w2()->focusWidget(), field);
        QCOMPARE(field->cursorPosition(), field->text().size());
    }

    // Pictures of each kind are listed, other files not; with neither folder there, each is
    // named in a message and the program ends, failing.
    void folderScans_data()
    {
        QTest::addColumn<bool>("folders");
        QTest::newRow("pict and pct are listed, text is not") << true;
        QTest::newRow("neither folder") << false;
    }
    void folderScans()
    {
        QFETCH(bool, folders);
        p.makeFolders({ "a.jpg", "b.pict", "c.pct", "notes.txt" }, { "0.jpg" });
        for (const char* folder : { "画像フォルダ", "背景フォルダ" })
            QVERIFY(folders || QDir(p.dir.filePath(QString::fromUtf8(folder))).removeRecursively());
        p.start();
        QCOMPARE(control<PopupMenu>("PopupMenu3")->Rows(),
            folders ? QStringList({ "a.jpg", "b.pict", "c.pct" }) : QStringList());
        QCOMPARE(control<PopupMenu>("PopupMenu11")->Rows(), folders ? QStringList { "0.jpg" } : QStringList());
        QCOMPARE(control<PopupMenu>("PopupMenu3")->ListIndex(), folders ? 1 : -1);
        QCOMPARE(fake().messages.size(), folders ? 0 : 2);
        item("FileQuit")->trigger(); // a failure's status stays
        QCOMPARE(platform::quitStatus(), folders ? 0 : 1);
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
        row("crossed viewing", true, "PopupMenu10:1", true, true);
        row("height", true, "PopupMenu13:0", true, true);
        row("zoom over a map", true, "PopupMenu11:1 PopupMenu12:3", true, true);
        row("a source picture", false, "PopupMenu3:0", true, false);
        row("the flat plane without a source", false, "PopupMenu11:1 PopupMenu11:0", false, false);
    }
    void buttonRules()
    {
        QFETCH(QString, steps);
        QFETCH(bool, source);
        p.start();
        if (!source) p.model()->choosePattern(QString());
        control<QPushButton>("PushButton1")->setEnabled(false);
        p.choose(steps);
        QTEST(control<QPushButton>("PushButton1")->isEnabled(), "display");
        QTEST(mainButton(1)->isEnabled(), "settings");
        // The background list's first row is the flat plane, any other a map.
        QCOMPARE(p.model()->flatPlane(), control<PopupMenu>("PopupMenu11")->ListIndex() == 0);
    }

    // A map made unreadable since it was chosen is named at Display, which composes the
    // flat plane; chosen again without a source it is named again and Display stays off.
    void unreadableMapAtDisplay()
    {
        Window1* w1 = p.start();
        p.choose(QStringLiteral("PopupMenu11:1"));
        QVERIFY(testing::writeFile(p.background(QStringLiteral("map.jpg")), "no picture"));
        p.w2()->PushButton1_Action();
        QVERIFY(w1->depth() == render::sceneDepth(scene::renderScene(scene::startScene(), {}, {})));
        p.model()->choosePattern(QString());
        p.choose(QStringLiteral("PopupMenu11:0 PopupMenu11:1"));
        QCOMPARE(fake().messages, QStringList(2, QStringLiteral("画像が見つかりません")));
        QVERIFY(!control<QPushButton>("PushButton1")->isEnabled());
        // The source folder gone: a source chosen says so and ends the program, failing.
        QVERIFY(QDir(p.source()).removeRecursively());
        p.choose(QStringLiteral("PopupMenu3:0"));
        QCOMPARE(fake().messages.size(), 3);
        QCOMPARE(platform::quitStatus(), 1);
    }

    // Each control writes its own part of the model and no other; undo names the step,
    // puts the model back and shows it in every control again.
    void controlsWriteTheModel_data()
    {
        using State = scene::SceneState;
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("action"); // "row N", "drag N", "click", "down"
        QTest::addColumn<std::function<void(State&)>>("expected");
        QTest::addColumn<QString>("step");
        const auto row = [](const char* name, const char* action, const char* step, std::function<void(State&)> f) {
            QTest::addRow("%s %s", name, action)
                << QString::fromLatin1(name) << QString::fromUtf8(action) << f << QString::fromUtf8(step);
        };
        row("PopupMenu9", "row 13", "下段の文字サイズ",
            [](State& s) { s.lines[2].sizeRow = 13, s.lines[2].size = 800; });
        row("CheckBox3", "click", "中段の斜体", [](State& s) { s.lines[1].italic = true; });
        row("CheckBox6", "click", "下段の太字", [](State& s) { s.lines[2].bold = true; });
        row("LittleArrows3", "down", "下段の文字位置", [](State& s) { s.lines[2].offset = { 0, 883 }; });
        row("BevelButton6", "click", "下段の文字位置", [](State& s) { s.lines[2].offset = { 3, 880 }; });
        row("PopupMenu10", "row 1", "立体視", [](State& s) { s.methodRow = 1; });
        // Beyond the window's edge: kept in the scene, no step of its own.
        row("PopupMenu5", "row 20", "", [](State& s) { s.nearFarRows[1] = 20; });
        row("Slider1", "drag -9", "上段の遠近", [](State& s) { s.lines[0].depth = -9; }); // a drag is one step
        row("highQuality", "click", "高画質", [](State& s) { s.quality = true; });
        row("lighterNear", "click", "明るいほど手前", [](State& s) { s.lighterNear = true; });
        row("keepAspect", "click", "縦横比を保つ", [](State& s) { s.keepAspect = true; });
    }
    void controlsWriteTheModel()
    {
        QFETCH(QString, name);
        QFETCH(QString, action);
        QFETCH(std::function<void(scene::SceneState&)>, expected);
        QFETCH(QString, step);
        p.start();
        // What every control shows (its text, value or tick, and its font), to compare after the undo.
        const auto shown = [this] {
            QStringList all;
            for (QWidget* c : p.w2()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                all << c->metaObject()->userProperty().read(c).toString() << c->font().toString();
            for (const char* view : { "highQuality", "lighterNear", "keepAspect" })
                all << QString::number(item(view)->isChecked());
            return all;
        };
        const QStringList before = shown();
        const QString family = control<QLineEdit>("EditField3")->font().family();
        scene::SceneState state = p.model()->state();

        const QString argument = action.section(QLatin1Char(' '), 1);
        QObject* c = Menu::instance()->findChild<QAction*>(name);
        if (!c) c = p.control(name);
        if (auto* list = qobject_cast<PopupMenu*>(c))
            list->setListIndex(argument.toInt());
        else if (auto* slider = qobject_cast<QSlider*>(c)) {
            slider->setSliderDown(true);
            slider->setSliderPosition(-5);
            slider->setSliderPosition(argument.toInt());
            slider->setSliderDown(false);
        } else if (auto* arrows = qobject_cast<LittleArrows*>(c))
            arrows->downButton()->click();
        else if (auto* view = qobject_cast<QAction*>(c))
            view->trigger();
        else
            static_cast<QAbstractButton*>(c)->click();
        expected(state);
        QCOMPARE(p.model()->state(), state);
        for (int n = 0; n < 3; ++n) { // each field in its line's style
            const QFont font = p.control<QLineEdit>(QStringLiteral("EditField%1").arg(n + 1))->font();
            QCOMPARE(font.italic(), state.lines[n].italic);
            QCOMPARE(font.bold(), state.lines[n].bold);
        }
        QCOMPARE(control<QLineEdit>("EditField3")->font().family(), family); // no font chosen: the field's own
        QCOMPARE(p.model()->undoStack()->count(), step.isEmpty() ? 0 : 1);
        if (step.isEmpty()) return;
        QCOMPARE(item("undo")->text(), QStringLiteral("元に戻す: ") + step);
        item("undo")->trigger();
        QCOMPARE(shown(), before);
        QCOMPARE(item("redo")->text(), QStringLiteral("やり直し: ") + step);
        item("redo")->trigger();
        QCOMPARE(p.model()->state(), state);
    }

    // Ctrl+Z in the settings window's text field undoes the model's steps, not the field's
    // own typing. Ctrl+S there saves the picture.
    void keysInSettingsWindow()
    {
        p.start();
        auto* field = control<QLineEdit>("EditField1");
        p.w2()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(p.w2()));
        field->setFocus();
        field->end(false);
        QTest::keyClicks(field, QStringLiteral("xy"));
        control<QCheckBox>("CheckBox1")->click();
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(!control<QCheckBox>("CheckBox1")->isChecked());
        QCOMPARE(field->text(), QStringLiteral("Voletaxy"));
        QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(field->text(), QStringLiteral("Voleta"));
        const QKeyCombination redo = item("redo")->shortcut()[0]; // the desktop's redo key
        QTest::keyClick(field, redo.key(), redo.keyboardModifiers());
        QCOMPARE(field->text(), QStringLiteral("Voletaxy"));
        QTest::keyClick(field, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(fake().suggestedNames, QStringList { QStringLiteral("bVoletaxy3DV2_3D.jpg") });
    }

    // A Display asked while one runs (its rows let events through) is composed after it,
    // and a save asked meanwhile writes the finished picture of the first.
    void displayInsideDisplay()
    {
        Window1* w1 = p.start();
        QSignalSpy shown(w1, &Window1::pictureShown);
        QImage first;
        connect(w1, &Window1::pictureShown, this, [&](int row) {
            if (row == -1 && first.isNull()) first = w1->picture().copy();
        });
        const QString saved = p.dir.filePath(QStringLiteral("during.png"));
        fake().saveAnswer = saved;
        int calls = 0;
        platform::setYieldHook([&] {
            if (++calls != 300) return;
            control<QLineEdit>("EditField2")->setText(QStringLiteral("二"));
            // The Settings button pressed meanwhile: with line 2 at "70" it comes back
            // only with the next Display.
            mainButton(1)->click();
            p.choose(QStringLiteral("PopupMenu4:0"));
            p.w2()->PushButton1_Action();
            QVERIFY(!mainButton(1)->isEnabled());
            item("svdt")->trigger();
            QVERIFY(!QFile::exists(saved));
        });
        const auto noHook = qScopeGuard([] { platform::setYieldHook({}); });
        p.w2()->PushButton1_Action();
        disconnect(w1, &Window1::pictureShown, this, nullptr);
        QList<int> rows;
        for (const auto& args : shown)
            rows << args.at(0).toInt();
        const QList<int> once { 140, 290, 440, 590, 740, 890, 1040, 1190, -1 };
        QCOMPARE(rows, once + once);
        QCOMPARE(QImage(saved).convertToFormat(QImage::Format_RGB32), first);
        QVERIFY(w1->picture() != first);
        // Display hides the settings and the source picture and turns the picture buttons on.
        QVERIFY(!p.w2()->isVisible() && p.mainControl<Canvas>("Canvas3")->isHidden());
        QVERIFY(mainButton(1)->isEnabled() && mainButton(2)->isEnabled() && mainButton(3)->isEnabled());
    }

    // A scene saved and opened again leaves the windows as the user's hand left them:
    // the rows, fields, boxes and buttons worked out here; it is one undo step.
    void sceneSavedAndOpened()
    {
        p.start();
        p.choose(QStringLiteral(
            "PopupMenu3:0 PopupMenu10:1 PopupMenu11:1 PopupMenu12:2 PopupMenu13:5 PopupMenu5:2 PopupMenu6:3"));
        control<PopupArrow>("PopupArrow3")->MouseDown({});
        control<QCheckBox>("CheckBox4")->click();
        control<QLineEdit>("EditField3")->setText(QStringLiteral("三"));
        control<QSlider>("Slider2")->setValue(-4);
        fake().saveAnswer = p.dir.filePath(QStringLiteral("mine"));
        item("saveScene")->trigger();
        QCOMPARE(fake().suggestedNames.last(), QStringLiteral("aVoleta3D三_3D.voleta"));
        // A name with the suffix keeps it, and its folder is where the next save starts.
        QVERIFY(QDir(p.dir.path()).mkdir(QStringLiteral("sub")));
        fake().saveAnswer = p.dir.filePath(QStringLiteral("sub/kept.voleta"));
        item("saveScene")->trigger();
        QCOMPARE(QDir(p.dir.filePath(QStringLiteral("sub"))).entryList(QDir::Files), QStringList { "kept.voleta" });
        QCOMPARE(platform::saveFolder(), p.dir.filePath(QStringLiteral("sub")));
        // That file is the document now: changed, quitting asks to save it, and Cancel stays.
        QCOMPARE(p.w1()->windowTitle(), QStringLiteral("Voleta Ver. " VOLETA_VERSION_TEXT " — kept.voleta[*]"));
        control<QLineEdit>("EditField1")->setText(QStringLiteral("Voletax"));
        fake().askAnswer = platform::Dialogs::SaveAnswer::Cancel;
        item("FileQuit")->trigger();
        QCOMPARE(fake().questions,
            QStringList { QStringLiteral("場面「kept.voleta」は変更されています。変更を保存しますか？") });
        QVERIFY(p.w1()->isWindowModified() && !platform::quitRequested());

        p.start();
        fake().openAnswer = p.dir.filePath(QStringLiteral("mine.voleta"));
        item("openScene")->trigger();
        QVERIFY(fake().messages.isEmpty());
        QStringList rows;
        for (const char* name :
            { "PopupMenu3", "PopupMenu10", "PopupMenu11", "PopupMenu12", "PopupMenu13", "PopupMenu5", "PopupMenu6" })
            rows << control<PopupMenu>(name)->Text();
        QCOMPARE(rows, QStringList({ "a.jpg", "交差方", "map.jpg", " 2 ×", " 3 ×", "近8", "1024× 768" }));
        QCOMPARE(p.model()->state().pan, QPoint(3, 0));
        QVERIFY(control<QCheckBox>("CheckBox4")->isChecked() && control<QLineEdit>("EditField2")->font().bold());
        QCOMPARE(control<QLineEdit>("EditField3")->text(), QStringLiteral("三"));
        QCOMPARE(control<QSlider>("Slider2")->value(), -4);
        QVERIFY(!control<PopupArrow>("PopupArrow1")->isHidden());
        // Shown at once, so saved and printed from then on; the Settings button on as
        // the viewing method chosen by hand turns it on.
        QVERIFY(mainButton(1)->isEnabled() && mainButton(2)->isEnabled() && mainButton(3)->isEnabled());
        QCOMPARE(item("undo")->text(), QStringLiteral("元に戻す: 場面を開く"));
    }

    // A map whose file goes away keeps its row, in its place by name but never before the
    // flat plane's row: the folder's first entry at start stays first.
    void goneMapKeepsItsRow()
    {
        p.makeFolders({ "a.jpg", "b.jpg" }, { "a flat.jpg", "b.jpg" });
        p.start();
        const QString map = p.background(QStringLiteral("0 map.jpg"));
        QVERIFY(testing::stripes({ 90, 90 }).save(map, "PNG"));
        p.model()->folders()->rescan();
        p.model()->chooseBackground(QStringLiteral("0 map.jpg"), false);
        QVERIFY(QFile::remove(map));
        p.model()->folders()->rescan();
        QCOMPARE(control<PopupMenu>("PopupMenu11")->Rows(), QStringList({ "a flat.jpg", "0 map.jpg", "b.jpg" }));
        QCOMPARE(control<PopupMenu>("PopupMenu11")->ListIndex(), 1);
    }
};

int main(int argc, char** argv)
{
    Class1 app(argc, argv);
    TestWindows test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_windows.moc"
