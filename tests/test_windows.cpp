// The main and settings windows driven as a user would, on the offscreen platform,
// with picture folders made by each test and the recording fake dialogs.
#include "app/Class1.h"
#include "app/Wiring.h"
#include "controls/Controls.h"
#include "controls/Menu.h"
#include "main_window/Window1.h"
#include "platform/Files.h"
#include "render/Pipeline.h"
#include "scene/SceneFile.h"
#include "scene/SceneModel.h"
#include "settings/Window2.h"
#include "support/FakeDialogs.h"
#include "text/TextLayer.h"

#include <QAction>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHash>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSet>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUndoStack>

Q_DECLARE_METATYPE(std::function<void(scene::SceneState&)>)

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
        Wiring::destroy();
        platform::resetQuitRequest();
        fake = std::make_unique<ScopedFakeDialogs>();
        platform::setApplicationFolder(dir.path());
        return Wiring::instance()->mainWindow();
    }
    Window2* w2() const { return Wiring::existing()->settingsWindow(); }
    scene::SceneModel* model() const { return Wiring::existing()->model(); }
    QPoint pan() const { return model()->state().pan; }
    // A control of the settings window, and one of the main window's (whose names the
    // settings window's controls share).
    template <class T = QWidget> T* control(const char* name) const
    {
        return w2()->findChild<T*>(QString::fromLatin1(name));
    }
    template <class T = QPushButton> static T* mainControl(Window1* w1, const char* name)
    {
        return w1->findChild<QWidget*>(QStringLiteral("Window1Content"))->findChild<T*>(QString::fromLatin1(name));
    }
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
    void cleanupTestCase() { Wiring::destroy(), fake.reset(); }

    // What users see at start: the settings window in front with the cursor in line 1,
    // the second source loaded and nothing composed.
    void startUpState()
    {
        Window1* w1 = start();
        QCOMPARE(w1->windowTitle(), QStringLiteral("Voleta Ver. " VOLETA_VERSION_TEXT));
        QVERIFY(w2()->isVisible());
        QCOMPARE(w2()->focusWidget(), control<QLineEdit>("EditField1"));
        for (QPushButton* b :
            { mainControl(w1, "PushButton1"), mainControl(w1, "PushButton2"), mainControl(w1, "PushButton3") })
            QVERIFY(!b->isEnabled());
        QVERIFY(control<QPushButton>("PushButton1")->isEnabled());
        QVERIFY(!mainControl<Canvas>(w1, "Canvas1")->backdrop());
        QVERIFY(!Menu::instance()->items().answerSave->isEnabled()); // no picture, no answer to save
        QVERIFY(mainControl<Canvas>(w1, "Canvas3")->backdrop() != nullptr);
        QVERIFY(control<Canvas>("Canvas2")->backdrop()
            != nullptr); // the first background, though it stands for the flat plane
        QCOMPARE(control<PopupMenu>("PopupMenu7")->ListIndex(), -1);
        for (PopupArrow* a : { control<PopupArrow>("PopupArrow1"), control<PopupArrow>("PopupArrow2"),
                 control<PopupArrow>("PopupArrow3"), control<PopupArrow>("PopupArrow4") })
            QVERIFY(a->isHidden());
        QStringList rows;
        for (PopupMenu* m : { control<PopupMenu>("PopupMenu1"), control<PopupMenu>("PopupMenu4"),
                 control<PopupMenu>("PopupMenu9"), control<PopupMenu>("PopupMenu2"), control<PopupMenu>("PopupMenu10"),
                 control<PopupMenu>("PopupMenu12"), control<PopupMenu>("PopupMenu13") })
            rows << m->Text();
        QCOMPARE(rows, QStringList({ "120", "110", "100", "近5", "平行方", " 1 ×", "1.5×" }));
    }

    // The main window does not grow, not by a resize nor by maximising, and neither
    // window has a maximise box. The settings window can be resized from 64 x 64 up:
    // widening it shows the near/far and export-size lists beyond its edge, and no
    // control moves. It is the main window's transient, its content at (350, 400),
    // with a title bar and no boxes in it.
    void windowSizesAndKinds()
    {
        Window1* w1 = start();
        const QSize mainSize(980, 685 + w1->menuBar()->sizeHint().height());
        QCOMPARE(w1->size(), mainSize);
        QCOMPARE(w2()->size(), QSize(480, 270));
        for (QWidget* w : { static_cast<QWidget*>(w1), static_cast<QWidget*>(w2()) })
            QVERIFY(!(w->windowFlags() & Qt::WindowMaximizeButtonHint));
        w1->resize(1500, 1100);
        w1->showMaximized();
        QCoreApplication::processEvents();
        QCOMPARE(w1->size(), mainSize);

        QCOMPARE(w2()->minimumSize(), QSize(64, 64));
        QCOMPARE(w2()->maximumSize(), QSize(32000, 32000));
        QHash<QWidget*, QRect> places;
        for (QWidget* c : w2()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            places[c] = c->geometry();
        const QStringList beyond { "PopupMenu2", "PopupMenu5", "PopupMenu6", "StaticText6", "nearFarLabel" };
        for (const QString& name : beyond) {
            QVERIFY(!w2()->rect().contains(w2()->findChild<QWidget*>(name)->geometry()));
            QVERIFY(w2()->findChild<QWidget*>(name)->isVisibleTo(w2()));
        }
        w2()->resize(700, 300);
        QCoreApplication::processEvents();
        QCOMPARE(w2()->size(), QSize(700, 300));
        for (const QString& name : beyond)
            QVERIFY(w2()->rect().contains(w2()->findChild<QWidget*>(name)->geometry()));
        w2()->resize(10, 10);
        QCOMPARE(w2()->size(), QSize(64, 64));
        for (auto it = places.cbegin(); it != places.cend(); ++it)
            QCOMPARE(it.key()->geometry(), it.value());
        w2()->resize(480, 270);

        QCOMPARE(w2()->parentWidget(), w1);
        QCOMPARE(w2()->geometry().topLeft(), QPoint(350, 400));
        const Qt::WindowFlags flags = w2()->windowFlags();
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Dialog);
        QVERIFY((flags & Qt::CustomizeWindowHint) && (flags & Qt::WindowTitleHint));
        QVERIFY(!(flags & (Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint)));

        // The settings window cannot be closed; 終了 and closing the main window end the program.
        w2()->close();
        QVERIFY(w2()->isVisible() && !platform::quitRequested());
        Menu::instance()->items().FileQuit->trigger();
        QVERIFY(platform::quitRequested());
        platform::resetQuitRequest();
        w1->close();
        QVERIFY(platform::quitRequested());
    }

    // A scene file open is the document: the title names it and marks it changed, and
    // quitting with changes asks whether to save them. Without a file nothing is asked.
    void unsavedScene_data()
    {
        QTest::addColumn<int>("answer"); // platform::Dialogs::SaveAnswer
        QTest::addColumn<bool>("quits");
        QTest::addColumn<QString>("savedText"); // line 1 in the file afterwards
        using A = platform::Dialogs::SaveAnswer;
        QTest::newRow("save") << int(A::Save) << true << "Voletax";
        QTest::newRow("don't save") << int(A::Discard) << true << "Voleta";
        QTest::newRow("cancel") << int(A::Cancel) << false << "Voleta";
    }
    void unsavedScene()
    {
        QFETCH(int, answer);
        Window1* w1 = start();
        const QString title = QStringLiteral("Voleta Ver. " VOLETA_VERSION_TEXT);
        control<QLineEdit>("EditField1")->setText(QStringLiteral("Voleta!"));
        Menu::instance()->items().FileQuit->trigger(); // no scene file: nothing to ask
        QVERIFY(platform::quitRequested() && (*fake)->questions.isEmpty());
        platform::resetQuitRequest();
        control<QLineEdit>("EditField1")->setText(QStringLiteral("Voleta"));

        (*fake)->saveAnswer = dir.filePath(QStringLiteral("kept.voleta"));
        Menu::instance()->items().saveScene->trigger();
        QCOMPARE(w1->windowTitle(), title + QStringLiteral(" — kept.voleta[*]"));
        QVERIFY(!w1->isWindowModified());
        control<QLineEdit>("EditField1")->setText(QStringLiteral("Voletax"));
        QVERIFY(w1->isWindowModified());
        (*fake)->askAnswer = platform::Dialogs::SaveAnswer(answer);
        Menu::instance()->items().FileQuit->trigger();
        QCOMPARE((*fake)->questions,
            QStringList { QStringLiteral("場面「kept.voleta」は変更されています。変更を保存しますか？") });
        QTEST(platform::quitRequested(), "quits");
        const scene::SceneFileResult saved = scene::readSceneFile((*fake)->saveAnswer);
        QVERIFY(saved.ok());
        QTEST(saved.state->lines[0].text, "savedText");
        platform::resetQuitRequest();
        // Undone back to the file's content, the scene is unchanged again.
        if (answer != int(platform::Dialogs::SaveAnswer::Save)) {
            model()->undoStack()->undo();
            QVERIFY(!w1->isWindowModified());
        }
    }

    // The menus as users find them: the items of each in order, with their keys
    // ("-" a separator).
    void menus_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("ファイル") << "ファイル"
                                  << QStringList { "画像保存 Ctrl+S", "場面を開く… Ctrl+O", "場面を保存… Ctrl+Shift+S",
                                         "答えを保存…", "アナグリフを保存…", "ステレオペアを保存…", "印刷プレビュー…",
                                         "-", "画像フォルダを開く", "背景フォルダを開く", "-", "終了 Ctrl+Q" };
        // The redo key is the desktop's; the offscreen platform's is Ctrl+Y.
        QTest::newRow("編集") << "編集"
                              << QStringList { "元に戻す Ctrl+Z", "やり直し Ctrl+Y", "-", "コピー Ctrl+C",
                                     "貼り付け Ctrl+V", "-", "設定", "-", "ライブ表示", "答えを表示",
                                     "アナグリフを表示", "ステレオペアを表示", "高画質", "明るいほど手前",
                                     "縦横比を保つ" };
        QTest::newRow("ヘルプ") << "ヘルプ" << QStringList { "カンパ（寄付）する", "-", "「Voleta」について" };
    }
    void menus()
    {
        QFETCH(QString, menu);
        Window1* w1 = start();
        QStringList titles, items;
        for (QAction* m : w1->menuBar()->actions()) {
            titles << m->text();
            for (QAction* a : m->text() == menu ? m->menu()->actions() : QList<QAction*>())
                items << (a->isSeparator() ? QStringLiteral("-")
                                           : QStringList { a->text(), a->shortcut().toString() }.join(' ').trimmed());
        }
        QCOMPARE(titles, QStringList({ "ファイル", "編集", "ヘルプ" }));
        QTEST(items, "items");
    }

    // Tab walks the settings window in reading order (rows top to bottom, left to right
    // within a row), once round, back to line 1.
    void tabChain()
    {
        start();
        QList<QWidget*> chain;
        QWidget* w = control<QLineEdit>("EditField1");
        int wraps = 0;
        for (int i = 0; i < 100; ++i) {
            QTest::keyClick(w, Qt::Key_Tab);
            QWidget* next = w2()->focusWidget();
            QVERIFY(next && next != w);
            if (next == control<QLineEdit>("EditField1")) break;
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
        mainControl(w1, "PushButton2")->click();
        QCOMPARE((*fake)->suggestedNames, QStringList { QStringLiteral("bVoleta3DV2_3D.jpg") });
        QCOMPARE(platform::saveFolder(), out);
        (*fake)->saveAnswer = dir.filePath(QStringLiteral("gone/y.jpg")); // fails: no such folder
        Menu::instance()->items().svdt->trigger();
        QCOMPARE((*fake)->messages.size(), 1);
        QCOMPARE(platform::saveFolder(), out);
        QVERIFY(QDir(out).removeRecursively());
        QCOMPARE(platform::saveFolder(), home.filePath(QStringLiteral("Pictures")));
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
        control<PopupArrow>("PopupArrow1")->MouseDown({});
        control<PopupArrow>("PopupArrow1")->MouseDown({});
        control<PopupArrow>("PopupArrow3")->MouseDown({});
        QCOMPARE(pan(), QPoint(3, 6));
        for (int i = 0; i < 100; ++i) {
            control<PopupArrow>("PopupArrow4")->MouseDown({});
            control<PopupArrow>("PopupArrow2")->MouseDown({});
        }
        QCOMPARE(pan(), QPoint(-250, -200));
        choose("PopupMenu12:3"); // 2.5 x: still inside, kept
        QCOMPARE(pan(), QPoint(-250, -200));
        choose("PopupMenu12:1"); // 1.5 x: the 666 x 533 crop is pulled back in
        QCOMPARE(pan(), QPoint(-166, -133));
        choose("PopupMenu12:0");
        QCOMPARE(pan(), QPoint(0, 0));
        QVERIFY(control<PopupArrow>("PopupArrow1")->isHidden()); // no arrows at 1 x
        QCOMPARE(control<PopupMenu>("PopupMenu12")->Rows().last(), QStringLiteral(" 4 ×")); // magnifies 3.5 x
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
        start();
        auto* field = w2()->findChild<QLineEdit*>(QStringLiteral("EditField%1").arg(line));
        field->setCursorPosition(0);
        control<Canvas>("Canvas2")->MouseDown(QPoint(80, y));
        QCOMPARE(w2()->focusWidget(), field);
        QCOMPARE(field->cursorPosition(), field->text().size());
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
        QTest::newRow("pict and pct are listed, text is not; second row chosen")
            << QStringList { "a.jpg", "b.pict", "c.pct", "notes.txt" } << QStringList { "0.jpg" } << none
            << QStringList { "a.jpg", "b.pict", "c.pct" } << QStringList { "0.jpg" } << 1 << none;
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
        QTEST(control<PopupMenu>("PopupMenu3")->Rows(), "sourceRows");
        QTEST(control<PopupMenu>("PopupMenu11")->Rows(), "backgroundRows");
        QTEST(control<PopupMenu>("PopupMenu3")->ListIndex(), "sourceRow");
        QCOMPARE((*fake)->messages, messages);
        QCOMPARE(platform::quitRequested(), !messages.isEmpty());
        QCOMPARE(platform::quitStatus(), messages.isEmpty() ? 0 : 1);
        Menu::instance()->items().FileQuit->trigger(); // a failure's status stays
        QCOMPARE(platform::quitStatus(), messages.isEmpty() ? 0 : 1);
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
        Q_UNUSED(w1);
        const auto numbers = [this] {
            QList<int> all;
            for (const scene::LineState& l : model()->state().lines)
                all << l.offset.x() << l.offset.y() << l.size << l.italic << l.bold;
            return all;
        };
        QList<int> expected = numbers();
        expected[(line - 1) * 5 + field] += change;
        const QString family = w2()->findChild<QLineEdit*>(QStringLiteral("EditField%1").arg(line))->font().family();
        QWidget* widget = w2()->findChild<QWidget*>(name);
        if (auto* arrows = qobject_cast<LittleArrows*>(widget))
            (change < 0 ? arrows->upButton() : arrows->downButton())->click();
        else if (auto* list = qobject_cast<PopupMenu*>(widget))
            list->setListIndex(0);
        else
            static_cast<QAbstractButton*>(widget)->click();
        QCOMPARE(numbers(), expected);
        const QFont font = w2()->findChild<QLineEdit*>(QStringLiteral("EditField%1").arg(line))->font();
        QCOMPARE(font.italic(), field == 3);
        QCOMPARE(font.bold(), field == 4);
        QCOMPARE(font.family(), family); // no font chosen: the field's own
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
        row("a source picture", false, "PopupMenu3:0", true, false);
        row("zoom over the flat plane", true, "PopupMenu12:3", true, false);
        row("the flat plane without a source", false, "PopupMenu11:1 PopupMenu11:0", false, false);
    }
    void buttonRules()
    {
        QFETCH(bool, source);
        QFETCH(QString, steps);
        Window1* w1 = start();
        if (!source) model()->choosePattern(QString());
        control<QPushButton>("PushButton1")->setEnabled(false);
        choose(steps);
        QTEST(control<QPushButton>("PushButton1")->isEnabled(), "display");
        QTEST(mainControl(w1, "PushButton1")->isEnabled(), "settings");
        // The background list's first row is the flat plane, any other a map.
        QCOMPARE(model()->flatPlane(), control<PopupMenu>("PopupMenu11")->ListIndex() == 0);
    }

    void displayCommand()
    {
        Window1* w1 = start();
        QSignalSpy shown(w1, &Window1::pictureShown);
        w2()->PushButton1_Action();
        QVERIFY(!w2()->isVisible());
        QVERIFY(
            control<QPushButton>("PushButton1")->isEnabled()); // the text redraw inside the command enables it again
        for (QPushButton* b :
            { mainControl(w1, "PushButton1"), mainControl(w1, "PushButton2"), mainControl(w1, "PushButton3") })
            QVERIFY(b->isEnabled());
        QVERIFY(mainControl<Canvas>(w1, "Canvas3")->isHidden());
        QCOMPARE(mainControl<Canvas>(w1, "Canvas1")->backdrop(), &w1->picture());
        QList<int> rows;
        for (const auto& args : shown)
            rows << args.at(0).toInt();
        QCOMPARE(rows, QList<int>({ 140, 290, 440, 590, 740, 890, 1040, 1190, -1 }));
        // The lines stand at twice their sliders (6, 8, 10) over the flat plane.
        QSet<int> depths;
        for (int y = 0; y < render::kWorkHeight; ++y)
            for (int x = 0; x < render::kWorkWidth; ++x)
                depths << w1->depth().row(y)[x];
        QCOMPARE(depths, QSet<int>({ 0, 12, 16, 20 }));

        // The 設定 menu command shows the settings window, the Settings button also disables
        // itself; the same settings give the same picture.
        Menu::instance()->items().settei->trigger();
        QVERIFY(w2()->isVisible() && mainControl(w1, "PushButton1")->isEnabled());
        const QImage first = w1->picture().copy();
        mainControl(w1, "PushButton1")->click();
        QVERIFY(w2()->isVisible() && !mainControl(w1, "PushButton1")->isEnabled());
        w2()->PushButton1_Action();
        QCOMPARE(w1->picture(), first);

        // Another source shows over the picture, which stays until the next Display.
        choose(QStringLiteral("PopupMenu3:0"));
        QVERIFY(!mainControl<Canvas>(w1, "Canvas3")->isHidden());
        QCOMPARE(w1->picture(), first);

        // Typing after a Display is a step of its own.
        const int steps = model()->undoStack()->count();
        control<QLineEdit>("EditField1")->setText(QStringLiteral("a"));
        w2()->PushButton1_Action();
        control<QLineEdit>("EditField1")->setText(QStringLiteral("ab"));
        QCOMPARE(model()->undoStack()->count(), steps + 2);
    }

    // A map made unreadable since it was chosen is named at Display, which composes the
    // flat plane; chosen again it is named again.
    void unreadableMapAtDisplay()
    {
        Window1* w1 = start();
        choose(QStringLiteral("PopupMenu11:1"));
        QFile map(dir.filePath(kBackground + QStringLiteral("/map.jpg")));
        QVERIFY(map.open(QIODevice::WriteOnly | QIODevice::Truncate) && map.write("no picture") > 0);
        map.close();
        w2()->PushButton1_Action();
        render::Scene flat = scene::renderScene(scene::startScene(), {}, {});
        flat.pattern = picture(QSize(64, 128), false);
        QVERIFY(w1->depth() == render::sceneDepth(flat));
        // Chosen again without a source picture, it is named unreadable and Display stays off.
        model()->choosePattern(QString());
        choose(QStringLiteral("PopupMenu11:0 PopupMenu11:1"));
        QCOMPARE((*fake)->messages, QStringList(2, QStringLiteral("画像が見つかりません")));
        QVERIFY(!control<QPushButton>("PushButton1")->isEnabled());
        // The source folder gone: a source chosen says so and ends the program, failing.
        QVERIFY(QDir(dir.filePath(kSource)).removeRecursively());
        choose(QStringLiteral("PopupMenu3:0"));
        QCOMPARE((*fake)->messages.last(), QStringLiteral("画像フォルダーに画像がありません"));
        QCOMPARE(platform::quitStatus(), 1);
    }

    // Each control writes its own part of the model; undo names the step, puts the
    // model back and shows it in every control again.
    void controlsWriteTheModel_data()
    {
        using State = scene::SceneState;
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("action"); // "row N", "text T", "value N", "click", "up"
        QTest::addColumn<std::function<void(State&)>>("expected");
        QTest::addColumn<QString>("step");
        const auto row = [](const char* name, const char* action, const char* step, std::function<void(State&)> f) {
            QTest::addRow("%s %s", name, action)
                << QString::fromLatin1(name) << QString::fromUtf8(action) << f << QString::fromUtf8(step);
        };
        row("EditField2", "text 山", "中段の文字", [](State& s) { s.lines[1].text = "山"; });
        row("PopupMenu9", "row 13", "下段の文字サイズ",
            [](State& s) { s.lines[2].sizeRow = 13, s.lines[2].size = 800; });
        row("CheckBox3", "click", "中段の斜体", [](State& s) { s.lines[1].italic = true; });
        row("CheckBox6", "click", "下段の太字", [](State& s) { s.lines[2].bold = true; });
        row("LittleArrows2", "up", "中段の文字位置", [](State& s) { s.lines[1].offset = { 0, 447 }; });
        row("BevelButton6", "click", "下段の文字位置", [](State& s) { s.lines[2].offset = { 3, 880 }; });
        row("Slider3", "value -7", "下段の遠近", [](State& s) { s.lines[2].depth = -7; });
        row("PopupMenu10", "row 1", "立体視", [](State& s) { s.methodRow = 1; });
        row("PopupMenu3", "row 0", "元画像", [](State& s) { s.pattern = "a.jpg"; });
        row("PopupMenu11", "row 1", "背景", [](State& s) { s.background = "map.jpg", s.flat = false; });
        row("PopupMenu12", "row 3", "縮尺", [](State& s) { s.zoomRow = 3; });
        row("PopupMenu13", "row 0", "高低差", [](State& s) { s.heightRow = 0, s.kt = 1; });
        // Beyond the window's edge: kept in the scene, no step of their own.
        row("PopupMenu2", "row 0", "", [](State& s) { s.nearFarRows[0] = 0; });
        row("PopupMenu5", "row 20", "", [](State& s) { s.nearFarRows[1] = 20; });
        row("PopupMenu6", "row 4", "", [](State& s) { s.exportSizeRow = 4; });
        row("highQuality", "click", "高画質", [](State& s) { s.quality = true; });
        row("lighterNear", "click", "明るいほど手前", [](State& s) { s.lighterNear = true; });
        row("keepAspect", "click", "縦横比を保つ", [](State& s) { s.keepAspect = true; });
    }
    void controlsWriteTheModel()
    {
        QFETCH(QString, name);
        QFETCH(QString, action);
        QFETCH(std::function<void(scene::SceneState&)>, expected);
        start();
        // What every control shows, to compare after the undo.
        const auto shown = [this] {
            QStringList all;
            for (QWidget* c : w2()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (auto* list = qobject_cast<PopupMenu*>(c)) all << QString::number(list->ListIndex());
                if (auto* field = qobject_cast<QLineEdit*>(c))
                    all << field->text() << QString::number(field->font().italic() + 2 * field->font().bold());
                if (auto* box = qobject_cast<QCheckBox*>(c)) all << QString::number(box->isChecked());
                if (auto* slider = qobject_cast<QSlider*>(c)) all << QString::number(slider->value());
            }
            all << QString::number(Menu::instance()->items().highQuality->isChecked())
                << QString::number(Menu::instance()->items().lighterNear->isChecked())
                << QString::number(Menu::instance()->items().keepAspect->isChecked());
            return all;
        };
        const QStringList before = shown();
        scene::SceneState state = model()->state();
        QCOMPARE(state.pattern, QStringLiteral("b.jpg"));
        QCOMPARE(state.background, QStringLiteral("0 flat.jpg"));
        QVERIFY(!Menu::instance()->items().undo->isEnabled());
        QCOMPARE(Menu::instance()->items().undo->text(), QStringLiteral("元に戻す"));

        const QString argument = action.section(QLatin1Char(' '), 1);
        QObject* c = name == "highQuality" || name == "lighterNear" || name == "keepAspect"
            ? static_cast<QObject*>(Menu::instance()->findChild<QAction*>(name))
            : w2()->findChild<QWidget*>(name);
        if (auto* list = qobject_cast<PopupMenu*>(c))
            list->setListIndex(argument.toInt());
        else if (auto* field = qobject_cast<QLineEdit*>(c))
            field->setText(argument);
        else if (auto* slider = qobject_cast<QSlider*>(c))
            slider->setValue(argument.toInt());
        else if (auto* arrows = qobject_cast<LittleArrows*>(c))
            arrows->upButton()->click();
        else if (auto* item = qobject_cast<QAction*>(c))
            item->trigger();
        else
            static_cast<QAbstractButton*>(c)->click();
        expected(state);
        QCOMPARE(model()->state(), state);
        QFETCH(QString, step);
        QCOMPARE(model()->undoStack()->count(), step.isEmpty() ? 0 : 1);
        if (step.isEmpty()) return;
        QCOMPARE(Menu::instance()->items().undo->text(), QStringLiteral("元に戻す: ") + step);
        if (!action.startsWith(QLatin1String("up"))
            && !name.startsWith(QLatin1String("Bevel"))) // moves show in the preview only
            QVERIFY(shown() != before);

        Menu::instance()->items().undo->trigger();
        QCOMPARE(shown(), before);
        QVERIFY(!Menu::instance()->items().undo->isEnabled());
        QCOMPARE(Menu::instance()->items().redo->text(), QStringLiteral("やり直し: ") + step);
        Menu::instance()->items().redo->trigger();
        QCOMPARE(model()->state(), state);
    }

    // Ctrl+Z in the settings window's text field undoes the model's steps, not the
    // field's own typing; in live view the picture follows.
    void undoKeysInSettingsWindow()
    {
        Window1* w1 = start();
        Menu::instance()->items().liveView->setChecked(true);
        const auto settle = [w1] { QTRY_VERIFY(!w1->findChild<QTimer*>(QStringLiteral("liveTimer"))->isActive()); };
        settle();
        const QImage startPicture = w1->picture().copy();
        auto* field = control<QLineEdit>("EditField1");
        w2()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w2()));
        field->setFocus();
        field->end(false);
        QTest::keyClicks(field, QStringLiteral("xy"));
        control<QCheckBox>("CheckBox1")->click();
        settle();
        QVERIFY(w1->picture() != startPicture);
        QCOMPARE(model()->undoStack()->count(), 2);

        field->setFocus();
        QSignalSpy undone(Menu::instance()->items().undo, &QAction::triggered);
        QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(undone.count(), 1);
        QVERIFY(!control<QCheckBox>("CheckBox1")->isChecked());
        QCOMPARE(field->text(), QStringLiteral("Voletaxy"));
        QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(field->text(), QStringLiteral("Voleta"));
        QVERIFY(!field->font().bold());
        settle();
        QCOMPARE(w1->picture(), startPicture);
        QVERIFY(!Menu::instance()->items().undo->isEnabled());
        QCOMPARE(Menu::instance()->items().redo->text(), QStringLiteral("やり直し: 上段の文字"));
        const QKeyCombination redo = Menu::instance()->items().redo->shortcut()[0]; // the desktop's redo key
        QTest::keyClick(field, redo.key(), redo.keyboardModifiers());
        QCOMPARE(field->text(), QStringLiteral("Voletaxy"));
    }

    // A drag of a depth slider is one step, and live view follows it while it moves.
    void sliderDrag()
    {
        Window1* w1 = start();
        Menu::instance()->items().liveView->setChecked(true);
        QSignalSpy shown(w1, &Window1::pictureShown);
        auto* slider = control<QSlider>("Slider1");
        slider->setSliderDown(true);
        slider->setSliderPosition(-5);
        QTRY_VERIFY(!shown.isEmpty());
        QCOMPARE(model()->state().lines[0].depth, -5);
        QCOMPARE(w1->depth(), render::sceneDepth(model()->renderScene()));
        slider->setSliderPosition(-9);
        slider->setSliderDown(false);
        QCOMPARE(slider->value(), -9);
        QCOMPARE(model()->state().lines[0].depth, -9);
        QCOMPARE(model()->undoStack()->count(), 1);
        model()->undoStack()->undo();
        QCOMPARE(slider->value(), 6);
    }

    // A Display asked while one runs (its rows let events through) is composed after it,
    // and a save asked meanwhile writes the finished picture of the first.
    void displayInsideDisplay()
    {
        Window1* w1 = start();
        QSignalSpy shown(w1, &Window1::pictureShown);
        const QString saved = dir.filePath(QStringLiteral("during.png"));
        (*fake)->saveAnswer = saved;
        int calls = 0;
        platform::setYieldHook([&] {
            if (++calls != 300) return;
            control<QLineEdit>("EditField2")->setText(QStringLiteral("二"));
            // The Settings button pressed meanwhile: with line 2 at "70" it comes back
            // only with the next Display.
            mainControl(w1, "PushButton1")->click();
            choose(QStringLiteral("PopupMenu4:0"));
            w2()->PushButton1_Action();
            QVERIFY(!mainControl(w1, "PushButton1")->isEnabled());
            Menu::instance()->items().svdt->trigger();
            QVERIFY(!QFile::exists(saved));
        });
        const auto noHook = qScopeGuard([] { platform::setYieldHook({}); });
        w2()->PushButton1_Action();
        QList<int> rows;
        for (const auto& args : shown)
            rows << args.at(0).toInt();
        const QList<int> once { 140, 290, 440, 590, 740, 890, 1040, 1190, -1 };
        QCOMPARE(rows, once + once);

        render::Scene scene = ::scene::renderScene(::scene::startScene(), {}, {});
        scene.pattern = picture(QSize(64, 128), false);
        const QImage first = render::composeScene(scene.pattern, render::sceneDepth(scene), false, 1);
        QCOMPARE(QImage(saved).convertToFormat(QImage::Format_RGB32), first);
        scene.lines[1].text = QStringLiteral("二");
        scene.lines[1].size = 70 * text::kSizeFactor;
        QVERIFY(mainControl(w1, "PushButton1")->isEnabled());
        QCOMPARE(w1->picture(), render::composeScene(scene.pattern, render::sceneDepth(scene), false, 1));
    }

    // A scene saved and opened again leaves the windows as the user's hand left them:
    // the rows, fields, boxes and buttons worked out here; it is one undo step.
    void sceneSavedAndOpened()
    {
        Window1* w1 = start();
        choose(QStringLiteral(
            "PopupMenu3:0 PopupMenu10:1 PopupMenu11:1 PopupMenu12:2 PopupMenu13:5 PopupMenu5:2 PopupMenu6:3"));
        control<PopupArrow>("PopupArrow3")->MouseDown({});
        control<QCheckBox>("CheckBox4")->click();
        control<QLineEdit>("EditField3")->setText(QStringLiteral("三"));
        control<QSlider>("Slider2")->setValue(-4);
        (*fake)->saveAnswer = dir.filePath(QStringLiteral("mine"));
        Menu::instance()->items().saveScene->trigger();
        QCOMPARE((*fake)->suggestedNames.last(), QStringLiteral("aVoleta3D三_3D.voleta"));
        QCOMPARE((*fake)->offeredFilters.last(), QStringList { QStringLiteral("Voleta 場面 (*.voleta)") });
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("mine.voleta"))));
        QVERIFY((*fake)->messages.isEmpty());

        w1 = start();
        (*fake)->openAnswer = dir.filePath(QStringLiteral("mine.voleta"));
        QTest::keyClick(w1, Qt::Key_O, Qt::ControlModifier);
        if ((*fake)->openFilters.isEmpty()) Menu::instance()->items().openScene->trigger();
        QCOMPARE((*fake)->openFilters.last(),
            QStringList({ QStringLiteral("Voleta 場面 (*.voleta)"), QStringLiteral("すべてのファイル (*)") }));
        QCOMPARE((*fake)->openFolders.last(), QString()); // no scene yet this run: where pictures are saved
        Menu::instance()->items().openScene->trigger();
        QCOMPARE((*fake)->openFolders.last(), dir.path()); // where the last scene was opened
        QVERIFY((*fake)->messages.isEmpty());
        QStringList rows;
        for (const char* name :
            { "PopupMenu3", "PopupMenu10", "PopupMenu11", "PopupMenu12", "PopupMenu13", "PopupMenu5", "PopupMenu6" })
            rows << control<PopupMenu>(name)->Text();
        QCOMPARE(rows, QStringList({ "a.jpg", "交差方", "map.jpg", " 2 ×", " 3 ×", "近8", "1024× 768" }));
        QCOMPARE(pan(), QPoint(3, 0));
        QVERIFY(control<QCheckBox>("CheckBox4")->isChecked() && control<QLineEdit>("EditField2")->font().bold());
        QCOMPARE(control<QLineEdit>("EditField3")->text(), QStringLiteral("三"));
        QCOMPARE(control<QSlider>("Slider2")->value(), -4);
        QVERIFY(!control<PopupArrow>("PopupArrow1")->isHidden());
        QVERIFY(control<QPushButton>("PushButton1")->isEnabled());
        QVERIFY(mainControl(w1, "PushButton1")->isEnabled()); // as the viewing method chosen by hand turns it on
        // The opened scene is shown at once, and saved and printed from then on:
        // voleta-render, beside the same picture folders, gives the same picture from the file.
        QVERIFY(mainControl(w1, "PushButton2")->isEnabled() && mainControl(w1, "PushButton3")->isEnabled());
        QCOMPARE(model()->undoStack()->count(), 1);
        QCOMPARE(Menu::instance()->items().undo->text(), QStringLiteral("元に戻す: 場面を開く"));
        const QString render = dir.filePath(QStringLiteral("voleta-render"));
        QVERIFY(QFile::copy(QStringLiteral(VOLETA_BIN_DIR "/voleta-render"), render));
        QProcess run;
        run.start(render, { "--scene", dir.filePath("mine.voleta"), "-o", dir.filePath("cli.png") });
        QVERIFY(run.waitForFinished(120000));
        QCOMPARE(run.exitCode(), 0);
        QCOMPARE(QImage(dir.filePath("cli.png")).convertToFormat(QImage::Format_RGB32), w1->picture());

        // Undone with the settings window hidden, it comes up to show the change.
        w2()->hide();
        Menu::instance()->items().undo->trigger();
        QCOMPARE(model()->state().methodRow, 0);
        QCOMPARE(control<PopupMenu>("PopupMenu3")->Text(), QStringLiteral("b.jpg"));
        QVERIFY(w2()->isVisible());
    }

    // An opened scene turns the Settings button on as the same choices by hand would,
    // pulls the pan inside its map and keeps the flat plane a flat scene names; a scene saved under a name with the
    // suffix keeps that name and folder.
    void openedSceneRules_data()
    {
        using S = scene::SceneState&;
        QTest::addColumn<QString>("steps"); // chosen before
        QTest::addColumn<std::function<void(S)>>("edit");
        QTest::addColumn<bool>("settings");
        QTest::addColumn<QPoint>("pan");
        QTest::addColumn<bool>("flat");
        const auto row
            = [](const char* name, const char* steps, bool settings, QPoint pan, bool flat, std::function<void(S)> f) {
                  QTest::newRow(name) << QString::fromLatin1(steps) << f << settings << pan << flat;
              };
        row("zoom over the flat plane", "", false, {}, true, [](S s) { s.zoomRow = 2; });
        row("height", "", true, {}, true, [](S s) { s.heightRow = 0, s.kt = 1; });
        row("height, line 2 at 70", "", false, {}, true,
            [](S s) { s.heightRow = 0, s.kt = 1, s.lines[1].sizeRow = 0; });
        row("map zoomed, pan past its edge", "", true, { 250, -200 }, false, [](S s) {
            s.background = "map.jpg", s.flat = false, s.zoomRow = 2, s.pan = { 5000, -5000 };
        });
        row("the flat plane's row", "PopupMenu11:1", false, {}, true,
            [](S s) { s.background = "0 flat.jpg", s.flat = true; });
    }
    void openedSceneRules()
    {
        QFETCH(QString, steps);
        QFETCH(std::function<void(scene::SceneState&)>, edit);
        Window1* w1 = start();
        if (!steps.isEmpty()) choose(steps);
        mainControl(w1, "PushButton1")->setEnabled(false);
        scene::SceneState s = model()->state();
        edit(s);
        s.lines[1].size = (70 + 10 * s.lines[1].sizeRow) * text::kSizeFactor;
        (*fake)->saveAnswer = dir.filePath(QStringLiteral("sub/rules.voleta"));
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("sub"))));
        const scene::SceneState before = model()->state();
        model()->reset(s);
        Menu::instance()->items().saveScene->trigger();
        QCOMPARE(QDir(dir.filePath(QStringLiteral("sub"))).entryList(QDir::Files), QStringList { "rules.voleta" });
        QCOMPARE(platform::saveFolder(), dir.filePath(QStringLiteral("sub")));
        model()->reset(before);
        QVERIFY(Wiring::existing()->openScene((*fake)->saveAnswer));
        QTEST(mainControl(w1, "PushButton1")->isEnabled(), "settings");
        QTEST(pan(), "pan");
        QTEST(model()->flatPlane(), "flat");
    }

    // A picture the scene names that is not in its folder is named in a message; that
    // list keeps its choice and the rest of the scene applies.
    void sceneWithMissingPicture()
    {
        start();
        scene::SceneState s = model()->state();
        s.pattern = QStringLiteral("gone.jpg");
        s.methodRow = 1;
        s.lines[0].text = QStringLiteral("残り");
        const QString path = dir.filePath(QStringLiteral("missing.voleta"));
        QVERIFY(!scene::writeSceneFile(s, path));
        QVERIFY(Wiring::existing()->openScene(path));
        QCOMPARE((*fake)->messages, QStringList { QStringLiteral("場面の元画像「gone.jpg」が見つかりません") });
        QCOMPARE(control<PopupMenu>("PopupMenu3")->Text(), QStringLiteral("b.jpg"));
        QCOMPARE(control<PopupMenu>("PopupMenu10")->Text(), QStringLiteral("交差方"));
        QCOMPARE(control<QLineEdit>("EditField1")->text(), QStringLiteral("残り"));

        // A scene that names no picture keeps the lists' choices and says nothing.
        (*fake)->messages.clear();
        s.pattern.clear();
        s.background.clear();
        s.methodRow = 0;
        QVERIFY(!scene::writeSceneFile(s, path));
        QVERIFY(Wiring::existing()->openScene(path));
        QVERIFY((*fake)->messages.isEmpty());
        QCOMPARE(control<PopupMenu>("PopupMenu3")->Text(), QStringLiteral("b.jpg"));
        QCOMPARE(control<PopupMenu>("PopupMenu11")->Text(), QStringLiteral("0 flat.jpg"));
        QCOMPARE(control<PopupMenu>("PopupMenu10")->Text(), QStringLiteral("平行方"));
    }

    // A scene file dropped on either window opens; a picture dropped is not a scene.
    void sceneDropped()
    {
        Window1* w1 = start();
        scene::SceneState s = model()->state();
        s.methodRow = 1;
        const QString path = dir.filePath(QStringLiteral("dropped.voleta"));
        QVERIFY(!scene::writeSceneFile(s, path));
        QMimeData picture, sceneFile;
        picture.setUrls({ QUrl::fromLocalFile(dir.filePath(QStringLiteral("画像フォルダ/a.jpg"))) });
        sceneFile.setUrls({ QUrl::fromLocalFile(path) });
        // The scene opened by the first drop has changed when the second comes: its changes are let go.
        (*fake)->askAnswer = platform::Dialogs::SaveAnswer::Discard;
        for (QWidget* target : { static_cast<QWidget*>(w1), static_cast<QWidget*>(w2()) }) {
            model()->undoStack()->clear();
            model()->chooseMethod(0);
            for (const QMimeData* data : { &picture, &sceneFile }) {
                QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
                QCoreApplication::sendEvent(target, &enter);
                QDropEvent drop(QPointF(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
                QCoreApplication::sendEvent(target, &drop);
                QCOMPARE(model()->state().methodRow, data == &sceneFile ? 1 : 0);
            }
        }
        QVERIFY((*fake)->messages.isEmpty());
        QCOMPARE((*fake)->questions.size(), 1);
    }

    // Files that are no scene: a message naming the file and what is wrong, nothing changed.
    void badSceneFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // "-" = no such file
        QTest::addColumn<QString>("why");
        QTest::newRow("no such file") << QByteArray("-") << QStringLiteral("ファイルがありません");
        QTest::newRow("a folder") << QByteArray("/") << QStringLiteral("ファイルではありません（フォルダーなど）");
        QTest::newRow("cut short") << QByteArray("{\"format\": \"voleta-scene\", \"vers")
                                   << QStringLiteral("場面ファイルが壊れているか途中で切れています");
        QTest::newRow("not JSON") << QByteArray("\x89PNG\r\n") << QStringLiteral("Voleta の場面ファイルではありません");
        QTest::newRow("too large") << QByteArray(scene::kSceneFileLimit + 1, ' ')
                                   << QStringLiteral("場面ファイルにしては大きすぎます（1 MB を超えています）");
        QTest::newRow("not a scene") << QByteArray(R"({"a": 1})")
                                     << QStringLiteral("Voleta の場面ファイルではありません");
        QTest::newRow("newer") << QByteArray(R"({"format": "voleta-scene", "version": 7})")
                               << QStringLiteral("新しい版の Voleta で作られた場面です（形式の版 7）");
        QTemporaryDir here;
        QFile start(here.filePath(QStringLiteral("start.voleta")));
        QVERIFY(!scene::writeSceneFile(scene::startScene(), start.fileName()) && start.open(QIODevice::ReadOnly));
        const QByteArray startFile = start.readAll();
        QTest::newRow("zoom row 9") << QByteArray(startFile).replace("\"zoomRow\": 0", "\"zoomRow\": 9")
                                    << QStringLiteral("「縮尺」の値が正しくありません（1 ×〜4 ×）");
        QTest::newRow("depth 19") << QByteArray(startFile).replace("\"depth\": 8", "\"depth\": 19")
                                  << QStringLiteral("「中段の遠近」の値が正しくありません（−18〜18）");
        QTest::newRow("italic not true or false") << QByteArray(startFile).replace("\"italic\": false", "\"italic\": 0")
                                                  << QStringLiteral("「上段の斜体」の値が正しくありません");
    }
    void badSceneFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, why);
        start();
        const scene::SceneState before = model()->state();
        QString path = dir.filePath(QStringLiteral("bad.voleta"));
        if (bytes == "/") QVERIFY(QDir().mkpath(path));
        if (bytes != "-" && bytes != "/") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        }
        QVERIFY(!Wiring::existing()->openScene(path));
        QCOMPARE((*fake)->messages.size(), 1);
        QVERIFY2((*fake)->messages[0].startsWith(QStringLiteral("場面を開けませんでした\nbad.voleta\n") + why),
            qPrintable((*fake)->messages[0]));
        QCOMPARE(model()->state(), before);
        QCOMPARE(model()->undoStack()->count(), 0);
    }

    // The Display command and the headless renderer's pipeline agree to the entry, over
    // a map zoomed, panned past its edge, crossed viewing, line 2 moved and line 1 bold.
    void displayMatchesHeadlessPipeline_data()
    {
        QTest::addColumn<bool>("lighterNear");
        QTest::newRow("terrain map, darker nearer") << false;
        QTest::newRow("depth picture, lighter nearer") << true;
    }
    void displayMatchesHeadlessPipeline()
    {
        QFETCH(bool, lighterNear);
        Window1* w1 = start();
        choose(QStringLiteral("PopupMenu11:1 PopupMenu12:2 PopupMenu13:4 PopupMenu10:1"));
        if (lighterNear) Menu::instance()->items().lighterNear->trigger();
        scene::SceneState far = model()->state(); // a pan no arrow reaches: Display pulls it in
        far.pan = QPoint(5000, -33);
        model()->reset(far);
        control<QToolButton>("BevelButton4")->click();
        control<QCheckBox>("CheckBox1")->click();
        w2()->PushButton1_Action();
        QCOMPARE(pan(), QPoint(250, -33));

        render::Scene scene = ::scene::renderScene(::scene::startScene(), {}, {});
        scene.map = picture(QSize(1000, 800), true);
        scene.zoomRow = 2;
        scene.pan = QPoint(5000, -33);
        scene.kt = 5;
        scene.hk = -1;
        scene.lines[1].x -= 3;
        scene.lines[0].bold = 1;
        scene.lighterNear = lighterNear;
        scene.pattern = picture(QSize(64, 128), false);
        const render::DepthArray depth = render::sceneDepth(scene);
        QVERIFY(depth == w1->depth());
        QCOMPARE(render::composeScene(scene.pattern, depth, false, scene.hk), w1->picture());
    }
};

int main(int argc, char** argv)
{
    Class1 app(argc, argv);
    TestWindows test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_windows.moc"
