// Pictures in and out: copying files into the picture folders (names, kinds, bad
// files), drops on the windows through Qt's drop events, paste from the clipboard, copy
// of the shown picture, and the print preview item.
#include "app/PictureTransfer.h"
#include "app/Wiring.h"
#include "controls/Controls.h"
#include "controls/Menu.h"
#include "main_window/Window1.h"
#include "platform/Files.h"
#include "render/Answer.h"
#include "settings/Window2.h"
#include "support/FakeDialogs.h"

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QLineEdit>
#include <QMimeData>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <memory>

namespace {

const QString kNotFound = QStringLiteral("画像が見つかりません");

// Stripes whose colours tell the pictures apart.
QImage picture(QSize size, int seed)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb((x * 4 + seed) % 256, (y * 2) % 256, (x / 4 + y / 3 + seed) % 256));
    return image;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The largest step of a JPEG file's quantisation tables: 1 is quality 100, anything
// less than 100 divides by more.
int largestQuantStep(const QByteArray& jpeg)
{
    int largest = 0;
    const auto at = [&](qsizetype i) { return i < jpeg.size() ? int(uchar(jpeg[i])) : 0; };
    for (qsizetype i = 2; at(i) == 0xFF && at(i + 1) != 0xDA; i += 2 + (at(i + 2) << 8 | at(i + 3))) {
        if (at(i + 1) != 0xDB) continue;
        const qsizetype end = i + 2 + (at(i + 2) << 8 | at(i + 3));
        for (qsizetype j = i + 4; j < end;) {
            const bool wide = at(j++) >> 4;
            for (int k = 0; k < 64; ++k, j += wide ? 2 : 1)
                largest = std::max(largest, wide ? at(j) << 8 | at(j + 1) : at(j));
        }
    }
    return largest;
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

QAction* item(const char* name)
{
    return Menu::instance()->findChild<QAction*>(QString::fromLatin1(name));
}

} // namespace

class TestTransfer : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<ScopedFakeDialogs> fake;

    QString source(const QString& name = {}) const { return dir->filePath(QStringLiteral("画像フォルダ/") + name); }
    QString background(const QString& name = {}) const { return dir->filePath(QStringLiteral("背景フォルダ/") + name); }
    QString outside(const QString& name) const { return dir->filePath(QStringLiteral("outside/") + name); }
    Window2* w2() const { return Wiring::instance()->settingsWindow(); }
    template <class Control> static Control* control(QWidget* window, const char* name)
    {
        return window->findChild<Control*>(QString::fromLatin1(name));
    }
    PopupMenu* list(const char* name) const { return control<PopupMenu>(w2(), name); }

    // The program afresh over the sources a.png, b.png (chosen) and the backgrounds
    // "0 flat.jpg", hills.jpg, with the transfers installed.
    Window1* start()
    {
        Wiring::destroy();
        fake = std::make_unique<ScopedFakeDialogs>();
        platform::setApplicationFolder(dir->path());
        return Wiring::instance()->mainWindow();
    }

    // Drops `files` on a widget the way Qt delivers a drop: enter, then the drop.
    static bool drop(QWidget* target, const QStringList& files)
    {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString& file : files)
            urls << QUrl::fromLocalFile(file);
        mime.setUrls(urls);
        // File managers send the addresses as text too, which a text field would type in.
        mime.setText(QUrl::toStringList(urls).join('\n'));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &event);
        return event.isAccepted();
    }

private Q_SLOTS:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        for (const char* folder : { "画像フォルダ", "背景フォルダ", "outside" })
            QVERIFY(QDir().mkpath(dir->filePath(QString::fromUtf8(folder))));
        QVERIFY(picture({ 64, 128 }, 0).save(source("a.png")));
        QVERIFY(picture({ 64, 128 }, 90).save(source("b.png")));
        for (const char* name : { "0 flat.jpg", "hills.jpg" })
            QVERIFY(picture({ 900, 700 }, 0).save(background(QString::fromUtf8(name)), "PNG"));
    }
    void cleanupTestCase() { Wiring::destroy(), fake.reset(); }

    // A name taken gets " (2)", " (3)"... before its last extension; what the folder held
    // stays byte for byte, the copy is the dropped file's bytes, nothing else is left.
    void names_data()
    {
        QTest::addColumn<QString>("dropped");
        QTest::addColumn<bool>("sourceFolder");
        QTest::addColumn<QStringList>("taken");
        QTest::addColumn<QString>("written");
        QTest::newRow("name free") << "sky.jpg" << true << QStringList {} << "sky.jpg";
        QTest::newRow("taken once") << "sky.jpg" << true << QStringList { "sky.jpg" } << "sky (2).jpg";
        QTest::newRow("(2) taken too") << "sky.png" << true << QStringList { "sky.png", "sky (2).png" }
                                       << "sky (3).png";
        QTest::newRow("taken by a folder") << "sky.jpg" << false << QStringList { "sky.jpg/" } << "sky (2).jpg";
        QTest::newRow("two dots") << "a.b.jpg" << true << QStringList { "a.b.jpg" } << "a.b (2).jpg";
        QTest::newRow("upper-case .JPG") << "SKY.JPG" << false << QStringList { "SKY.JPG" } << "SKY (2).JPG";
        QTest::newRow("other case is another name") << "sky.jpg" << true << QStringList { "SKY.JPG" } << "sky.jpg";
        QTest::newRow("no extension, converted") << "photo" << true << QStringList { "photo.png" } << "photo (2).png";
    }
    void names()
    {
        QFETCH(QString, dropped);
        QFETCH(bool, sourceFolder);
        QFETCH(QStringList, taken);
        QFETCH(QString, written);
        const QString folder = dir->filePath(QStringLiteral("drop"));
        QVERIFY(QDir().mkpath(folder));
        for (const QString& name : taken) {
            if (name.endsWith(QLatin1Char('/')))
                QVERIFY(QDir(folder).mkdir(name.chopped(1)));
            else
                QVERIFY(writeAll(QDir(folder).filePath(name), name.toUtf8()));
        }
        const QByteArray bytes = encoded(picture({ 40, 30 }, 7), dropped.endsWith("png") ? "PNG" : "JPEG");
        QVERIFY(writeAll(outside(dropped), bytes));

        const platform::ImportResult result = platform::importPicture(outside(dropped), folder, sourceFolder);
        QCOMPARE(result.name, written);
        QStringList expected = QStringList(taken).replaceInStrings("/", "") << written;
        expected.sort();
        QCOMPARE(entries(folder), expected);
        for (const QString& name : taken)
            if (!name.endsWith(QLatin1Char('/'))) QCOMPARE(readAll(QDir(folder).filePath(name)), name.toUtf8());
        if (written.endsWith("jpg", Qt::CaseInsensitive) || dropped.endsWith(".png"))
            QCOMPARE(readAll(QDir(folder).filePath(written)), bytes);
        QCOMPARE(QImage(QDir(folder).filePath(written)).size(), QSize(40, 30));
    }

    // Kinds the folder does not list are decoded and written as PNG into the source
    // folder, as JPEG into the background folder; PNG keeps every value, JPEG at quality
    // 100 keeps a grey ramp within a step or two.
    void convertedKinds_data()
    {
        QTest::addColumn<QString>("dropped");
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<bool>("sourceFolder");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QByteArray>("writtenFormat");
        QTest::newRow(".jpeg as pattern")
            << "ramp.jpeg" << QByteArray("JPEG") << true << "ramp.png" << QByteArray("png");
        QTest::newRow(".bmp as pattern") << "ramp.bmp" << QByteArray("BMP") << true << "ramp.png" << QByteArray("png");
        QTest::newRow(".bmp as background")
            << "ramp.bmp" << QByteArray("BMP") << false << "ramp.jpg" << QByteArray("jpeg");
        QTest::newRow(".png as background")
            << "ramp.png" << QByteArray("PNG") << false << "ramp.jpg" << QByteArray("jpeg");
        QTest::newRow(".PNG as pattern, kept")
            << "ramp.PNG" << QByteArray("PNG") << true << "ramp.PNG" << QByteArray("png");
    }
    void convertedKinds()
    {
        QFETCH(QString, dropped);
        QFETCH(QByteArray, format);
        QFETCH(bool, sourceFolder);
        QFETCH(QString, written);
        QFETCH(QByteArray, writtenFormat);
        QImage ramp(256, 64, QImage::Format_RGB32);
        for (int x = 0; x < 256; ++x)
            for (int y = 0; y < 64; ++y)
                ramp.setPixel(x, y, qRgb(x, x, x));
        QVERIFY(ramp.save(outside(dropped), format.constData(), 100));
        const QImage sent = QImage(outside(dropped)).convertToFormat(QImage::Format_RGB32);
        const QString folder = sourceFolder ? source() : background();
        const platform::ImportResult result = platform::importPicture(outside(dropped), folder, sourceFolder);
        QCOMPARE(result.name, written);
        QImageReader reader(QDir(folder).filePath(written));
        QCOMPARE(reader.format(), writtenFormat);
        const QImage got = reader.read().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(got.size(), sent.size());
        int worst = 0;
        for (int x = 0; x < 256; ++x)
            worst = std::max(worst, std::abs(qBlue(got.pixel(x, 32)) - qBlue(sent.pixel(x, 32))));
        QVERIFY2(worst <= (writtenFormat == "png" ? 0 : 2), qPrintable(QString::number(worst)));
        if (writtenFormat == "jpeg") QCOMPARE(largestQuantStep(readAll(QDir(folder).filePath(written))), 1);
    }

    // Dropped on either window, a picture goes into 画像フォルダ and becomes the
    // pattern; on the map preview or the background list, into 背景フォルダ as the
    // background. Several: all copied, the last chosen; one that cannot be read is named
    // in the lists' message and the others still come in.
    void drops_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QStringList>("files"); // "!" before a name: not a picture
        QTest::addColumn<QString>("chosen"); // "" = the choice stays
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("main window") << "Window1" << QStringList { "b.png" } << "b (2).png" << QStringList {};
        QTest::newRow("settings window, several")
            << "Window2" << QStringList { "c.jpg", "d.jpeg", "e.png" } << "e.png" << QStringList {};
        QTest::newRow("map preview") << "Canvas2" << QStringList { "hills.jpg" } << "hills (2).jpg" << QStringList {};
        QTest::newRow("background list, converted")
            << "PopupMenu11" << QStringList { "depth.png" } << "depth.jpg" << QStringList {};
        QTest::newRow("one unreadable among two")
            << "Window1" << QStringList { "c.jpg", "!bad.jpg" } << "c.jpg" << QStringList { kNotFound + "\nbad.jpg" };
        QTest::newRow("unreadable only") << "Canvas2" << QStringList { "!bad.png" } << ""
                                         << QStringList { kNotFound + "\nbad.png" };
        // A file dropped on a text field is not typed into it.
        QTest::newRow("text field") << "EditField2" << QStringList { "c.jpg" } << "c.jpg" << QStringList {};
        QTest::newRow("a picture of the folder itself")
            << "Window2" << QStringList { "@a.png" } << "a.png" << QStringList {};
    }
    void drops()
    {
        QFETCH(QString, target);
        QFETCH(QStringList, files);
        QFETCH(QString, chosen);
        QFETCH(QStringList, messages);
        Window1* w1 = start();
        const bool toBackground = target == "Canvas2" || target == "PopupMenu11";
        QStringList paths;
        for (QString name : files) {
            if (name.startsWith('@')) {
                paths << source(name.mid(1));
                continue;
            }
            const bool bad = name.startsWith('!');
            if (bad) name.remove(0, 1);
            const QByteArray bytes = bad ? QByteArray("not a picture")
                                         : encoded(picture({ 50, 60 }, 200), name.endsWith("png") ? "PNG" : "JPEG");
            QVERIFY(writeAll(outside(name), bytes));
            paths << outside(name);
        }
        QWidget* widget = target == "Window1" ? static_cast<QWidget*>(w1)
            : target == "Window2"             ? static_cast<QWidget*>(w2())
                                              : w2()->findChild<QWidget*>(target);
        PopupMenu* chosenList = list(toBackground ? "PopupMenu11" : "PopupMenu3");
        const QString before = chosenList->Text();
        const QStringList folderBefore = entries(toBackground ? background() : source());

        const QStringList fieldsBefore { control<QLineEdit>(w2(), "EditField1")->text(),
            control<QLineEdit>(w2(), "EditField2")->text(), control<QLineEdit>(w2(), "EditField3")->text() };
        QVERIFY(drop(widget, paths));
        QCOMPARE((*fake)->messages, messages);
        QCOMPARE(chosenList->Text(), chosen.isEmpty() ? before : chosen);
        QCOMPARE(QStringList({ control<QLineEdit>(w2(), "EditField1")->text(),
                     control<QLineEdit>(w2(), "EditField2")->text(), control<QLineEdit>(w2(), "EditField3")->text() }),
            fieldsBefore);
        if (chosen.isEmpty() || files.first().startsWith('@')) {
            QCOMPARE(entries(toBackground ? background() : source()), folderBefore);
            return;
        }
        QVERIFY(QFileInfo::exists((toBackground ? background() : source()) + chosen));
        // The chosen picture is loaded as a choice in the list would load it.
        if (toBackground)
            QCOMPARE(control<Canvas>(w2(), "Canvas2")->backdrop()->size(), QSize(50, 60));
        else if (chosen.endsWith(".png"))
            QCOMPARE(*control<Canvas>(w1, "Canvas3")->backdrop(), picture({ 50, 60 }, 200));
        else
            QCOMPARE(control<Canvas>(w1, "Canvas3")->backdrop()->size(), QSize(50, 60));
    }

    // A scene file is no picture: dropped alone on a window it is opened as a scene (this
    // one is not a scene and says so), and nothing is copied into the folders.
    void sceneFileNotCopied()
    {
        Window1* w1 = start();
        QVERIFY(writeAll(outside("a.voleta"), "{}") && writeAll(outside("B.VOLETA"), "{}"));
        drop(w1, { outside("a.voleta") });
        drop(w2(), { outside("B.VOLETA") });
        drop(control<Canvas>(w2(), "Canvas2"), { outside("a.voleta") }); // passed on to its window
        drop(w1, { outside("a.voleta"), outside("B.VOLETA") }); // two scenes: neither opens, and it says why
        QCOMPARE((*fake)->messages.size(), 4);
        for (const QString& message : (*fake)->messages.mid(0, 3))
            QVERIFY2(message.startsWith(QStringLiteral("場面を開けませんでした")), qPrintable(message));
        QCOMPARE((*fake)->messages.last(), QStringLiteral("場面ファイルは一度に一つずつ開いてください"));
        QCOMPARE(entries(source()), QStringList({ "a.png", "b.png" }));
        QCOMPARE(entries(background()), QStringList({ "0 flat.jpg", "hills.jpg" }));
    }

    // Paste: a picture becomes "貼り付け <date> <time>.png" in 画像フォルダ, chosen; file
    // URLs come in as a drop on the main window; nothing on the clipboard says so.
    void paste_data()
    {
        QTest::addColumn<QString>("content"); // "image", "files" or "text"
        QTest::addColumn<QString>("chosen"); // a pattern; "*" for the time-named one
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("picture") << "image"
                                 << "*" << QStringList {};
        QTest::newRow("file URLs") << "files"
                                   << "c (2).png" << QStringList {};
        // Nothing to paste: the item is not there to choose.
        // Beyond what the program reads back: refused, nothing written.
        QTest::newRow("too wide to read back") << "huge"
                                               << "b.png" << QStringList { kNotFound };
        QTest::newRow("only text") << "text"
                                   << "b.png" << QStringList {};
    }
    void paste()
    {
        QFETCH(QString, content);
        QFETCH(QString, chosen);
        QFETCH(QStringList, messages);
        Window1* w1 = start();
        QVERIFY(picture({ 30, 40 }, 5).save(source("c.png")));
        QVERIFY(picture({ 30, 40 }, 5).save(outside("c.png")));
        auto* mime = new QMimeData;
        if (content == "image")
            mime->setImageData(picture({ 30, 40 }, 5));
        else if (content == "huge")
            mime->setImageData(picture({ platform::kPictureSideLimit + 500, 20 }, 5));
        else if (content == "files")
            mime->setUrls({ QUrl::fromLocalFile(outside("c.png")) });
        else
            mime->setText(QStringLiteral("words"));
        QGuiApplication::clipboard()->setMimeData(mime);
        QCOMPARE(item("pastePicture")->isEnabled(), content != "text");
        item("pastePicture")->trigger();
        QCOMPARE((*fake)->messages, messages);
        const QString name = list("PopupMenu3")->Text();
        if (chosen == "*") {
            QVERIFY2(QRegularExpression(QStringLiteral("^貼り付け \\d{4}-\\d\\d-\\d\\d \\d{6}\\.png$"))
                         .match(name)
                         .hasMatch(),
                qPrintable(name));
            QCOMPARE(QImageReader(source(name)).format(), QByteArray("png"));
        } else {
            QCOMPARE(name, chosen);
        }
        if (content == "huge") QCOMPARE(entries(source()), QStringList({ "a.png", "b.png", "c.png" }));
        if (chosen != "b.png") QCOMPARE(*control<Canvas>(w1, "Canvas3")->backdrop(), picture({ 30, 40 }, 5));
        QGuiApplication::clipboard()->clear();
    }

    // Copy puts the picture shown, at full size, on the clipboard: nothing before the
    // first picture, then the stereogram, and in the answer view the answer picture.
    // The print preview waits for the first picture too, then shows one page.
    void copyAndPreview()
    {
        Window1* w1 = start();
        QVERIFY(!item("copyPicture")->isEnabled() && !item("printPreview")->isEnabled());
        item("copyPicture")->trigger();
        item("printPreview")->trigger();
        QVERIFY((*fake)->clipboardImages.isEmpty() && (*fake)->previewedPages.isEmpty());

        w2()->PushButton1_Action();
        QVERIFY(item("copyPicture")->isEnabled() && item("printPreview")->isEnabled());
        item("copyPicture")->trigger();
        QCOMPARE((*fake)->clipboardImages.size(), 1);
        QCOMPARE((*fake)->clipboardImages[0].size(), QSize(1920, 1280));
        QCOMPARE((*fake)->clipboardImages[0], w1->picture());

        Menu::instance()->items().answerView->setChecked(true);
        item("copyPicture")->trigger();
        QCOMPARE((*fake)->clipboardImages.size(), 2);
        QCOMPARE((*fake)->clipboardImages[1], render::answerPicture(w1->depth(), 1));
        Menu::instance()->items().answerView->setChecked(false);

        item("printPreview")->trigger();
        QCOMPARE((*fake)->previewedPages.size(), 1);
        QCOMPARE((*fake)->printDialogCalls, 0);
    }
};

QTEST_MAIN(TestTransfer)
#include "test_transfer.moc"
