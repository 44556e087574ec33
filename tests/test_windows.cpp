// The main and settings windows driven as a user would, on the offscreen platform,
// with picture folders made by each test and the recording fake dialogs.
#include "app/Class1.h"
#include "app/Menu.h"
#include "controls/Controls.h"
#include "main_window/Window1.h"
#include "platform/Files.h"
#include "render/Engine.h"
#include "render/Pipeline.h"
#include "settings/Window2.h"
#include "support/FakeDialogs.h"
#include "text/TextLayer.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QImageReader>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

const QString kSource = QStringLiteral("画像フォルダ");
const QString kBackground = QStringLiteral("背景フォルダ");

void writePicture(const QString& path, QSize size, QRgb colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QVERIFY(image.save(path, "JPG"));
}

// A stripy pattern, so the composed picture has something to repeat.
void writePattern(const QString& path)
{
    QImage image(64, 128, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 4, y * 2, (x * y) & 255));
    QVERIFY(image.save(path, "PNG"));
}

// A map whose blue channel rises from 40 at the left to 200 at the right.
void writeRamp(const QString& path)
{
    QImage image(161, 10, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(0, 0, 40 + x));
    QVERIFY(image.save(path, "PNG"));
}

} // namespace

class TestWindows : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<ScopedFakeDialogs> fake;

    QString folder(const QString& name) const { return dir.filePath(name); }

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
    template <typename T> T* control(QWidget* window, const char* name) const
    {
        T* c = window->findChild<T*>(QString::fromLatin1(name));
        if (!c) qFatal("no control %s", name);
        return c;
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(dir.isValid());
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(folder(kSource));
        QDir().mkpath(folder(kBackground));
        writePattern(folder(kSource) + QStringLiteral("/a.jpg"));
        writePattern(folder(kSource) + QStringLiteral("/b.jpg"));
        writePicture(folder(kBackground) + QStringLiteral("/0 flat.jpg"), { 100, 80 }, qRgb(200, 200, 200));
        writePicture(folder(kBackground) + QStringLiteral("/map.jpg"), { 1000, 800 }, qRgb(90, 120, 60));
    }
    void cleanupTestCase()
    {
        Window1::destroyInstances();
        fake.reset();
    }

    void startUpState()
    {
        Window1* w1 = start();
        QCOMPARE(w1->windowTitle(), QStringLiteral("Voleta Ver. 1.996"));
        QVERIFY(w2()->isVisible());
        QVERIFY((*fake)->messages.isEmpty());
        for (const char* name : { "PushButton1", "PushButton2", "PushButton3" })
            QVERIFY(!control<QPushButton>(w1, name)->isEnabled());
        QVERIFY(!w1->Canvas1->hasBackdrop());
        QVERIFY(w1->Canvas3->hasBackdrop());
        QVERIFY(w2()->PushButton1->isEnabled()); // a source picture is loaded
        QCOMPARE(w2()->PopupMenu7->ListIndex(), -1);
        for (PopupArrow* a : { w2()->PopupArrow1, w2()->PopupArrow2, w2()->PopupArrow3, w2()->PopupArrow4 })
            QVERIFY(a->isHidden());

        // The start state, worked out by hand: what the first Display would draw.
        const text::Lines lines = w1->lines();
        QStringList texts;
        QList<int> numbers;
        for (const text::Line& l : lines) {
            texts << l.text;
            numbers << l.size << l.x << l.y << l.italic << l.bold;
        }
        QCOMPARE(texts, QStringList({ "Voleta", " 3D", "     V2" }));
        QCOMPARE(numbers, QList<int>({ 440, 0, 20, 0, 0, 400, 0, 450, 0, 0, 360, 0, 880, 0, 0 }));
        QCOMPARE(QList<int>({ w1->Hk, w1->kt, w2()->Slider1->value(), w2()->Slider2->value(), w2()->Slider3->value() }),
            QList<int>({ 1, 2, 6, 8, 10 }));
        QStringList rows;
        for (PopupMenu* m : { w2()->PopupMenu1, w2()->PopupMenu4, w2()->PopupMenu9, w2()->PopupMenu2, w2()->PopupMenu10,
                 w2()->PopupMenu12, w2()->PopupMenu13 })
            rows << m->Text();
        QCOMPARE(rows, QStringList({ "120", "110", "100", "近5", "平行方", " 1 ×", "1.5×" }));

        // One menu tree, carried by the main window; Quit, Save and Settings enabled
        // before any picture exists.
        QCOMPARE(w1->menuBar(), Menu::instance());
        int menus = 0;
        for (QWidget* widget : QApplication::allWidgets())
            menus += qobject_cast<Menu*>(widget) != nullptr;
        QCOMPARE(menus, 1);
        Class1::instance()->EnableMenuItems();
        for (const char* name : { "FileQuit", "svdt", "settei", "apple_about", "apple_kanpa" })
            QVERIFY(Menu::instance()->item(QString::fromLatin1(name))->isEnabled());
    }

    // Neither window grows: not by a resize, not by maximising, and no maximise box.
    void fixedSizeWindows_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QSize>("expected"); // empty: the menu bar over the 980 x 685 content
        QTest::newRow("main") << QStringLiteral("Window1") << QSize();
        QTest::newRow("settings") << QStringLiteral("Window2") << QSize(480, 270);
    }
    void fixedSizeWindows()
    {
        QFETCH(QString, window);
        QFETCH(QSize, expected);
        Window1* w1 = start();
        QWidget* w = window == QLatin1String("Window1") ? static_cast<QWidget*>(w1) : w2();
        if (expected.isEmpty()) expected = QSize(980, 685 + w1->menuBar()->sizeHint().height());
        QCOMPARE(w->size(), expected);
        QVERIFY(!(w->windowFlags() & Qt::WindowMaximizeButtonHint));
        w->resize(1500, 1100);
        QCOMPARE(w->size(), expected);
        w->showMaximized();
        QCoreApplication::processEvents();
        QCOMPARE(w->size(), expected);
        QCOMPARE(w1->centralWidget()->size(), QSize(980, 685));
    }

    // The settings window is the main window's transient: a separate, movable,
    // non-modal window with a title bar and no boxes in it.
    void settingsWindowKind()
    {
        Window1* w1 = start();
        QVERIFY(w2()->isWindow());
        QCOMPARE(w2()->parentWidget(), w1);
        QCOMPARE(w2()->windowModality(), Qt::NonModal);
        const Qt::WindowFlags flags = w2()->windowFlags();
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Dialog);
        QVERIFY(flags & Qt::CustomizeWindowHint);
        QVERIFY(flags & Qt::WindowTitleHint);
        QVERIFY(!(flags & (Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(w2()->pos(), QPoint(350, 400));
    }

    // Typed keys go to the first text line; Tab walks the controls inside the window
    // in reading order (rows top to bottom, left to right within a row), once round.
    void keyboardFocus()
    {
        start();
        QCOMPARE(w2()->focusWidget(), w2()->EditField1);
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
        QCOMPARE(w2()->focusWidget(), w2()->EditField1);
        QCOMPARE(wraps, 1);
        QVERIFY(chain.contains(w2()->EditField2) && chain.contains(w2()->EditField3));
        QVERIFY(chain.contains(w2()->PopupMenu3) && chain.contains(w2()->CheckBox6));
    }

    // Each family once, by its plain name, and every row draws in its own font.
    void fontListsWithoutDuplicates()
    {
        QCOMPARE(text::plainFamilies({ "C059 [UKWN]", "Sans", "C059 [urw]", "Mono [x]", "Mono", "Odd [name" }),
            QStringList({ "C059", "Sans", "Mono", "Odd [name" }));
        start();
        QStringList rows;
        for (int i = 0; i < w2()->PopupMenu7->count(); ++i)
            rows << w2()->PopupMenu7->itemText(i);
        QVERIFY(!rows.isEmpty());
        QCOMPARE(QSet<QString>(rows.begin(), rows.end()).size(), rows.size());
        for (const QString& row : rows) {
            QVERIFY2(!row.contains(QLatin1String(" [")), qPrintable(row));
            QVERIFY2(text::isInstalled(row), qPrintable(row));
        }
        QCOMPARE(w2()->PopupMenu14->count(), rows.size());
    }

    // The save dialog opens in Pictures (or home) until a save succeeds, then where it went.
    void saveDialogFolder()
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
        QVERIFY(QDir().mkpath(folder(QStringLiteral("out"))));
        (*fake)->saveAnswer = folder(QStringLiteral("out/x.jpg"));
        w1->svjpg();
        QVERIFY(QFile::exists((*fake)->saveAnswer));
        QCOMPARE(platform::saveFolder(), folder(QStringLiteral("out")));
        (*fake)->saveAnswer = folder(QStringLiteral("gone/y.jpg")); // fails: no such folder
        w1->svjpg();
        QCOMPARE((*fake)->messages.size(), 1);
        QCOMPARE(platform::saveFolder(), folder(QStringLiteral("out")));
        QVERIFY(QDir(folder(QStringLiteral("out"))).removeRecursively());
        QCOMPARE(platform::saveFolder(), home.filePath(QStringLiteral("Pictures")));
    }

    // Qt's own dialogs speak Japanese when Qt's translations are installed.
    void qtDialogsInJapanese_data()
    {
        QTest::addColumn<QByteArray>("context");
        QTest::addColumn<QByteArray>("english");
        QTest::newRow("save title") << QByteArray("QFileDialog") << QByteArray("Save As");
        QTest::newRow("look in") << QByteArray("QFileDialog") << QByteArray("Look in:");
        QTest::newRow("replace") << QByteArray("QFileDialog")
                                 << QByteArray("%1 already exists.\nDo you want to replace it?");
        QTest::newRow("save button") << QByteArray("QFileDialog") << QByteArray("&Save");
        QTest::newRow("cancel button") << QByteArray("QPlatformTheme") << QByteArray("Cancel");
    }
    void qtDialogsInJapanese()
    {
        QFETCH(QByteArray, context);
        QFETCH(QByteArray, english);
        if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_ja.qm")))
            QSKIP("Qt's Japanese translations are not installed");
        const QString shown = QCoreApplication::translate(context.constData(), english.constData());
        QVERIFY2(shown != QString::fromUtf8(english), english.constData());
        QVERIFY(std::any_of(shown.begin(), shown.end(), [](QChar c) { return c.unicode() >= 0x3000; }));
    }

    void folderScans_data()
    {
        QTest::addColumn<QStringList>("sourceFiles");
        QTest::addColumn<QStringList>("backgroundFiles");
        QTest::addColumn<QStringList>("sourceRows");
        QTest::addColumn<QStringList>("backgroundRows");
        QTest::addColumn<int>("sourceRow");
        const QStringList none;
        QTest::newRow("pict is listed, text is not; second row chosen")
            << QStringList { "a.jpg", "b.pict", "notes.txt" } << QStringList { "0.jpg" }
            << QStringList { "a.jpg", "b.pict" } << QStringList { "0.jpg" } << 1;
        QTest::newRow("no pict, no .jpeg among backgrounds")
            << QStringList { "a.jpg" } << QStringList { "0.jpg", "m.pict", "photo.jpeg", "x.JPG" }
            << QStringList { "a.jpg" } << QStringList { "0.jpg", "x.JPG" } << 0;
        QTest::newRow("png and odd names in the source folder")
            << QStringList { "p q.png", "写真.jpg", "100%.jpg", ".hidden.jpg" } << none
            << QStringList { ".hidden.jpg", "100%.jpg", "p q.png", "写真.jpg" } << none << 1;
        QTest::newRow("empty folders") << none << none << none << none << -1;
    }
    void folderScans()
    {
        QFETCH(QStringList, sourceFiles);
        QFETCH(QStringList, backgroundFiles);
        QDir(folder(kSource)).removeRecursively();
        QDir(folder(kBackground)).removeRecursively();
        QDir().mkpath(folder(kSource));
        QDir().mkpath(folder(kBackground));
        for (const QString& f : sourceFiles)
            writePicture(folder(kSource) + QLatin1Char('/') + f, { 8, 8 }, qRgb(1, 2, 3));
        for (const QString& f : backgroundFiles)
            writePicture(folder(kBackground) + QLatin1Char('/') + f, { 8, 8 }, qRgb(1, 2, 3));
        start();
        QStringList sources, backgrounds;
        for (int i = 0; i < w2()->PopupMenu3->count(); ++i)
            sources << w2()->PopupMenu3->itemText(i);
        for (int i = 0; i < w2()->PopupMenu11->count(); ++i)
            backgrounds << w2()->PopupMenu11->itemText(i);
        QTEST(sources, "sourceRows");
        QTEST(backgrounds, "backgroundRows");
        QTEST(w2()->PopupMenu3->ListIndex(), "sourceRow");
        QCOMPARE(w2()->PushButton1->isEnabled(), w2()->PopupMenu3->ListIndex() >= 0);
        QVERIFY((*fake)->messages.isEmpty());
        QVERIFY(!platform::quitRequested());
    }

    void missingFolders_data()
    {
        QTest::addColumn<QStringList>("removed");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("source") << QStringList { kSource } << QStringList { "画像フォルダーに画像がありません" };
        QTest::newRow("background") << QStringList { kBackground }
                                    << QStringList { "背景フォルダーに画像がありません" };
        QTest::newRow("both") << QStringList { kSource, kBackground }
                              << QStringList { "画像フォルダーに画像がありません", "背景フォルダーに画像がありません" };
    }
    void missingFolders()
    {
        QFETCH(QStringList, removed);
        for (const QString& name : removed)
            QDir(folder(name)).removeRecursively();
        start();
        QTEST((*fake)->messages, "messages");
        QVERIFY(platform::quitRequested());
    }

    void popupMenuChangeSemantics()
    {
        PopupMenu list;
        QSignalSpy spy(&list, &PopupMenu::Change);
        list.AddRow(QStringLiteral("one"));
        list.AddRow(QStringLiteral("two"));
        QCOMPARE(list.ListIndex(), -1);
        QCOMPARE(list.Text(), QString());
        QCOMPARE(spy.count(), 0);
        list.setListIndex(1);
        QCOMPARE(spy.count(), 1);
        list.setListIndex(1);
        QCOMPARE(spy.count(), 2);
        QCOMPARE(list.Text(), QStringLiteral("two"));
        list.setCurrentIndex(0); // as the user's choice does
        QCOMPARE(spy.count(), 3);
        list.DeleteAllRows();
        QCOMPARE(list.ListIndex(), -1);
        QCOMPARE(spy.count(), 3);
        list.setListIndex(5); // no such row: nothing selected, the handler still runs once
        QCOMPARE(list.ListIndex(), -1);
        QCOMPARE(spy.count(), 4);
    }

    // Each control of a text row changes its own line's state by its own amount and
    // leaves the other lines and values as they were.
    void lineControls_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("name"); // of the control
        QTest::addColumn<QString>("action"); // up, down, click, size70
        QTest::addColumn<QString>("field"); // x, y, size, italic, bold
        QTest::addColumn<int>("change"); // added to the field
        const struct {
            const char* what;
            const char* names[3];
            const char* action;
            const char* field;
            int change[3];
        } controls[] = {
            { "up", { "LittleArrows1", "LittleArrows2", "LittleArrows3" }, "up", "y", { -3, -3, -3 } },
            { "down", { "LittleArrows1", "LittleArrows2", "LittleArrows3" }, "down", "y", { 3, 3, 3 } },
            { "<", { "BevelButton1", "BevelButton4", "BevelButton2" }, "click", "x", { -3, -3, -3 } },
            { ">", { "BevelButton3", "BevelButton5", "BevelButton6" }, "click", "x", { 3, 3, 3 } },
            // "70" is 280 mask pixels; the lines start at 440, 400, 360.
            { "size 70", { "PopupMenu1", "PopupMenu4", "PopupMenu9" }, "size70", "size", { -160, -120, -80 } },
            { "italic", { "CheckBox2", "CheckBox3", "CheckBox5" }, "click", "italic", { 1, 1, 1 } },
            { "bold", { "CheckBox1", "CheckBox4", "CheckBox6" }, "click", "bold", { 1, 1, 1 } },
        };
        for (const auto& c : controls)
            for (int n = 1; n <= 3; ++n)
                QTest::addRow("line %d %s", n, c.what)
                    << n << QString::fromLatin1(c.names[n - 1]) << QString::fromLatin1(c.action)
                    << QString::fromLatin1(c.field) << c.change[n - 1];
    }
    void lineControls()
    {
        QFETCH(int, line);
        QFETCH(QString, name);
        QFETCH(QString, action);
        QFETCH(QString, field);
        QFETCH(int, change);
        Window1* w1 = start();
        const text::Lines before = w1->lines();
        QWidget* widget = control<QWidget>(w2(), name.toLatin1().constData());
        if (action == QLatin1String("up"))
            static_cast<LittleArrows*>(widget)->upButton()->click();
        else if (action == QLatin1String("down"))
            static_cast<LittleArrows*>(widget)->downButton()->click();
        else if (action == QLatin1String("size70"))
            static_cast<PopupMenu*>(widget)->setListIndex(0);
        else
            static_cast<QAbstractButton*>(widget)->click();

        text::Lines expected = before;
        text::Line& l = expected[line - 1];
        int& value = field == QLatin1String("x") ? l.x
            : field == QLatin1String("y")        ? l.y
            : field == QLatin1String("size")     ? l.size
            : field == QLatin1String("italic")   ? l.italic
                                                 : l.bold;
        value += change;
        const text::Lines after = w1->lines();
        for (int n = 0; n < 3; ++n) {
            const text::Line &a = after[n], &e = expected[n];
            QCOMPARE(
                QList<int>({ a.x, a.y, a.size, a.italic, a.bold }), QList<int>({ e.x, e.y, e.size, e.italic, e.bold }));
        }
        // The style boxes show in the line's own field too.
        const QFont font = w2()->lineField(line)->font();
        QCOMPARE(font.italic(), field == QLatin1String("italic"));
        QCOMPARE(font.bold(), field == QLatin1String("bold"));
    }

    void fontAndTyping()
    {
        Window1* w1 = start();
        const QString family = w2()->PopupMenu7->itemText(0);
        w2()->PopupMenu7->setListIndex(0);
        QCOMPARE(w2()->EditField1->font().family(), family);
        QCOMPARE(w1->lines()[0].family, family);
        // Typing redraws the mask at once.
        const QImage before = w1->bu2.copy();
        w2()->EditField2->setText(QStringLiteral("山"));
        QVERIFY(w1->bu2 != before);
    }

    // Save image from the main window: the name offered is built from the chosen source
    // picture and the three text fields, and the picture lands as a JPEG file.
    void saveFromTheMainWindow()
    {
        Window1* w1 = start();
        w2()->PopupMenu3->setListIndex(0); // a.jpg
        w2()->EditField1->setText(QStringLiteral(" 富士 "));
        w2()->EditField2->setText(QStringLiteral("Hi"));
        w2()->EditField3->setText(QString());
        w2()->PushButton1_Action();
        (*fake)->saveAnswer = dir.filePath(QStringLiteral("saved.jpg"));
        w1->PushButton2->click();
        QCOMPARE((*fake)->suggestedNames, QStringList { QStringLiteral("a富士Hi_3D.jpg") });
        QVERIFY((*fake)->messages.isEmpty());
        QImageReader reader((*fake)->saveAnswer);
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        QCOMPARE(reader.size(), QSize(1920, 1280));
    }

    void focusBands_data()
    {
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("line");
        QTest::newRow("44") << 44 << 1;
        QTest::newRow("45") << 45 << 2;
        QTest::newRow("89") << 89 << 2;
        QTest::newRow("90") << 90 << 3;
    }
    void focusBands()
    {
        start();
        QFETCH(int, y);
        QFETCH(int, line);
        w2()->activateWindow();
        w2()->Canvas2_MouseDown(5, y);
        QLineEdit* field = w2()->lineField(line);
        QCOMPARE(field->cursorPosition(), field->text().length());
        QCOMPARE(w2()->focusWidget(), field);
    }

    void displayButtonEnabling()
    {
        Window1* w1 = start();
        w2()->PushButton1->setEnabled(false);
        w2()->PopupMenu5->setListIndex(3);
        QVERIFY(w2()->PushButton1->isEnabled());
        // Without a source picture neither the near/far lists nor iti enable it.
        w1->Canvas3->clearBackdrop();
        w2()->PushButton1->setEnabled(false);
        w2()->PopupMenu2->setListIndex(3);
        w1->iti();
        w2()->PopupMenu10->setListIndex(1);
        QVERIFY(!w2()->PushButton1->isEnabled());
        QCOMPARE(w1->Hk, -1);
        w2()->PopupMenu10->setListIndex(0);
        QCOMPARE(w1->Hk, 1);
    }

    void settingsButtonRules()
    {
        Window1* w1 = start();
        // The viewing method and the height difference enable it unless line 2 is at "70".
        w2()->PopupMenu4->setListIndex(0);
        w2()->PopupMenu10->setListIndex(1);
        w2()->PopupMenu13->setListIndex(0);
        QVERIFY(!w1->PushButton1->isEnabled());
        QCOMPARE(w1->kt, 1);
        w2()->PopupMenu4->setListIndex(1);
        w2()->PopupMenu13->setListIndex(5);
        QVERIFY(w1->PushButton1->isEnabled());
        QCOMPARE(w1->kt, 6);
        // The zoom list does so only with a background other than the first.
        w1->PushButton1->setEnabled(false);
        w2()->PopupMenu12->setListIndex(2);
        QVERIFY(!w1->PushButton1->isEnabled());
        w2()->PopupMenu11->setListIndex(1);
        w2()->PopupMenu12->setListIndex(3);
        QVERIFY(w1->PushButton1->isEnabled());
    }

    void backgroundSelection()
    {
        start();
        QVERIFY(w2()->Canvas2->hasBackdrop()); // the first row's picture is shown at start
        w2()->PopupMenu12->setListIndex(2); // " 2 ×": a 1000 x 800 map may move 250 and 200 each way
        w2()->x1 = 9, w2()->y1 = -6;
        w2()->PopupMenu11->setListIndex(1);
        QVERIFY(w2()->Canvas2->hasBackdrop());
        QCOMPARE(w2()->Canvas2->backdrop()->size(), QSize(1000, 800));
        QCOMPARE(QPoint(w2()->x1, w2()->y1), QPoint(9, -6)); // kept
        QVERIFY((*fake)->messages.isEmpty());

        w2()->PopupMenu11->setListIndex(0);
        QVERIFY(!w2()->Canvas2->hasBackdrop());
        QCOMPARE(QPoint(w2()->x1, w2()->y1), QPoint(0, 0));
        QVERIFY(w2()->PushButton1->isEnabled()); // iti enables it again: a source is loaded
    }

    void zoomAndPan()
    {
        start();
        w2()->PopupMenu11->setListIndex(1); // 1000 x 800
        w2()->PopupMenu12->setListIndex(2); // " 2 ×"
        for (PopupArrow* a : { w2()->PopupArrow1, w2()->PopupArrow2, w2()->PopupArrow3, w2()->PopupArrow4 })
            QVERIFY(!a->isHidden());
        w2()->PopupArrow1_MouseDown(0, 0);
        w2()->PopupArrow3_MouseDown(0, 0);
        QCOMPARE(QPoint(w2()->x1, w2()->y1), QPoint(3, 3));
        w2()->PopupArrow2_MouseDown(0, 0);
        w2()->PopupArrow4_MouseDown(0, 0);
        QCOMPARE(QPoint(w2()->x1, w2()->y1), QPoint(0, 0));

        // The arrows stop at the edges of the map: at 2 x the crop is 500 x 400.
        for (int i = 0; i < 100; ++i) {
            w2()->PopupArrow3_MouseDown(0, 0);
            w2()->PopupArrow2_MouseDown(0, 0);
        }
        QCOMPARE(QPoint(w2()->x1, w2()->y1), QPoint(250, -200));
        w2()->PopupMenu12->setListIndex(3); // 2.5 x: still inside, kept
        QCOMPARE(QPoint(w2()->x1, w2()->y1), QPoint(250, -200));
        w2()->PopupMenu12->setListIndex(1); // 1.5 x: the 666 x 533 crop is pulled back in
        QCOMPARE(QPoint(w2()->x1, w2()->y1), QPoint(166, -133));
        w2()->PopupMenu12->setListIndex(0);
        QCOMPARE(QPoint(w2()->x1, w2()->y1), QPoint(0, 0));
        for (PopupArrow* a : { w2()->PopupArrow1, w2()->PopupArrow2, w2()->PopupArrow3, w2()->PopupArrow4 })
            QVERIFY(a->isHidden());
    }

    void displayCommand()
    {
        Window1* w1 = start();
        QSignalSpy shown(w1, &Window1::pictureShown);
        w2()->PushButton1_Action();
        QVERIFY(!w2()->isVisible());
        QVERIFY(w2()->PushButton1->isEnabled()); // the text redraw inside the command enables it again
        QVERIFY(w1->PushButton1->isEnabled() && w1->PushButton2->isEnabled() && w1->PushButton3->isEnabled());
        QVERIFY(w1->Canvas3->isHidden());
        QCOMPARE(w1->Canvas1->backdrop(), &w1->bu1);
        QList<int> rows;
        for (const auto& args : shown)
            rows << args.at(0).toInt();
        QCOMPARE(rows, QList<int>({ 140, 290, 440, 590, 740, 890, 1040, 1190, -1 }));
        QCOMPARE(QList<int>({ w1->k1, w1->k2, w1->k3 }), QList<int>({ 12, 16, 20 }));

        // The same settings give the same picture again.
        const QImage first = w1->bu1.copy();
        w1->PushButton1_Action(); // the Settings button
        QVERIFY(w2()->isVisible());
        QVERIFY(!w1->PushButton1->isEnabled());
        QVERIFY(w2()->PushButton1->isEnabled());
        w2()->PushButton1_Action();
        QCOMPARE(w1->bu1, first);

        // Choosing another source shows it over the picture, which stays until the next Display.
        w2()->PopupMenu3->setListIndex(0);
        QVERIFY(!w1->Canvas3->isHidden());
        QCOMPARE(w1->bu1, first);
    }

    // With line 2 at "70" the Settings button waits until the picture is composed; the map relief shows
    // the numbers of the depth step.
    void displayWithRampMap()
    {
        writeRamp(folder(kBackground) + QStringLiteral("/ramp.png.jpg"));
        Window1* w1 = start();
        w2()->PopupMenu11->setListIndex(2); // ramp.png.jpg (a PNG named .jpg opens by content)
        QVERIFY((*fake)->messages.isEmpty());
        for (QLineEdit* e : { w2()->EditField1, w2()->EditField2, w2()->EditField3 })
            e->setText(QString());
        w2()->PopupMenu4->setListIndex(0);
        w1->PushButton1->setEnabled(false);
        w2()->PushButton1_Action();
        QVERIFY(w1->PushButton1->isEnabled());
        // Blue 40 at the far left comes forward by 13, blue 200 at the right recedes by 13.
        QCOMPARE(w1->a.at(1, 640), 13);
        QCOMPARE(w1->a.at(1598, 640), -13);
        QCOMPARE(w1->a.at(1600, 640), 0);
    }

    // The headless renderer's pipeline and the Display command agree to the entry.
    void displayMatchesHeadlessPipeline()
    {
        QImage map(900, 700, QImage::Format_RGB32);
        for (int y = 0; y < map.height(); ++y)
            for (int x = 0; x < map.width(); ++x)
                map.setPixel(x, y, qRgb(0, 0, (x / 4 + y / 3) % 256));
        QVERIFY(map.save(folder(kBackground) + QStringLiteral("/z.jpg"), "PNG"));
        Window1* w1 = start();
        w2()->PopupMenu11->setListIndex(2);
        w2()->PopupMenu12->setListIndex(2);
        w2()->PopupMenu13->setListIndex(4);
        w2()->PopupMenu10->setListIndex(1);
        w2()->x1 = 5000, w2()->y1 = -33; // set directly, past the edge: Display pulls it in
        w2()->BevelButton4->click();
        w2()->CheckBox1->click();
        w2()->PushButton1_Action();
        QCOMPARE(w2()->x1, 225); // pulled in as the preview would

        render::Scene scene;
        scene.map = platform::openPicture(folder(kBackground) + QStringLiteral("/z.jpg")).image;
        scene.zoomRow = 2;
        scene.pan = QPoint(5000, -33);
        scene.kt = 5;
        scene.hk = -1;
        scene.lines = w1->lines();
        scene.pattern = *w1->Canvas3->backdrop();
        const render::DepthArray depth = render::sceneDepth(scene);
        QVERIFY(depth == w1->a);
        QCOMPARE(render::composeScene(scene.pattern, depth), w1->bu1);

        // The scene live view composes reads the same settings from the windows.
        const render::Scene read = w2()->scene();
        QCOMPARE(read.map, scene.map);
        QCOMPARE(QList<int>({ read.zoomRow, read.kt, read.hk, read.s1, read.s2, read.s3, read.quality }),
            QList<int>({ 2, 5, -1, 6, 8, 10, 0 }));
        QVERIFY(render::sceneDepth(read) == depth);
    }

    void settingsMenuCommandOnlyShows()
    {
        Window1* w1 = start();
        w2()->PushButton1_Action();
        Menu::instance()->item(QStringLiteral("settei"))->trigger();
        QVERIFY(w2()->isVisible());
        QVERIFY(w1->PushButton1->isEnabled());
    }

    void quitCommandAndClosing()
    {
        Window1* w1 = start();
        Menu::instance()->item(QStringLiteral("FileQuit"))->trigger();
        QVERIFY(platform::quitRequested());
        platform::resetQuitRequest();
        w2()->close(); // the settings window cannot be closed
        QVERIFY(w2()->isVisible());
        QVERIFY(!platform::quitRequested());
        w1->close();
        QVERIFY(platform::quitRequested());
        platform::resetQuitRequest();
    }
};

int main(int argc, char** argv)
{
    Class1 app(argc, argv);
    TestWindows test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_windows.moc"
