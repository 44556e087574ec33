// Pictures in: copying files into the picture folders (names, kinds, bad files), drops on
// the windows through Qt's drop events, and paste from the clipboard.
#include "app/PictureTransfer.h"
#include "scene/SceneFile.h"
#include "support/Files.h"
#include "support/Jpeg.h"
#include "support/Program.h"

#include <QClipboard>
#include <QDropEvent>
#include <QGuiApplication>
#include <QImageReader>
#include <QLineEdit>
#include <QMimeData>
#include <QRegularExpression>

using testing::item;
using testing::stripes;

namespace {

const QString kNotFound = QStringLiteral("画像が見つかりません");

using testing::entries;
using testing::readFile;
using testing::writeFile;

// Drops `files` on a widget the way Qt delivers a drop: enter, then the drop.
bool drop(QWidget* target, const QStringList& files)
{
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& file : files)
        urls << QUrl::fromLocalFile(file);
    mime.setUrls(urls);
    // File managers send the addresses as text too, which a text field would type in; a
    // picture dragged out of another program may carry words with it.
    mime.setText(files.isEmpty() ? QStringLiteral("words") : QUrl::toStringList(urls).join('\n'));
    if (files.isEmpty()) mime.setImageData(stripes({ 50, 60 }, 200));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent event(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
    return event.isAccepted();
}

} // namespace

class TestTransfer : public QObject {
    Q_OBJECT

    testing::Program p;
    FakeDialogs& fake() const { return p.dialogs(); }
    QString outside(const QString& name) const { return p.dir.filePath(QStringLiteral("outside/") + name); }
    PopupMenu* list(const char* name) const { return p.control<PopupMenu>(QLatin1String(name)); }

private Q_SLOTS:
    // The sources a.png, b.png (chosen), the backgrounds "0 flat.jpg", hills.jpg.
    void init()
    {
        p.makeFolders({ "a.png", "b.png" }, { "0 flat.jpg", "hills.jpg" }, { 900, 700 });
        QVERIFY(QDir().mkpath(outside({})));
    }

    // A name taken gets " (2)", " (3)"... before its last extension; what the folder held
    // stays byte for byte, the copy is the dropped file's bytes, nothing else is left.
    void names_data()
    {
        QTest::addColumn<QString>("dropped");
        QTest::addColumn<bool>("sourceFolder");
        QTest::addColumn<QStringList>("taken");
        QTest::addColumn<QString>("written");
        QTest::newRow("two dots") << "a.b.jpg" << true << QStringList { "a.b.jpg" } << "a.b (2).jpg";
        QTest::newRow("upper-case .JPG") << "SKY.JPG" << false << QStringList { "SKY.JPG" } << "SKY (2).JPG";
        QTest::newRow("no extension, converted") << "photo" << true << QStringList { "photo.png" } << "photo (2).png";
    }
    void names()
    {
        QFETCH(QString, dropped);
        QFETCH(bool, sourceFolder);
        QFETCH(QStringList, taken);
        QFETCH(QString, written);
        const QString folder = p.dir.filePath(QStringLiteral("drop"));
        QVERIFY(QDir().mkpath(folder));
        for (const QString& name : taken)
            QVERIFY(writeFile(QDir(folder).filePath(name), name.toUtf8()));
        QVERIFY(stripes({ 40, 30 }, 7).save(outside(dropped), dropped.endsWith("png") ? "PNG" : "JPEG"));
        const QByteArray bytes = readFile(outside(dropped));
        QCOMPARE(platform::importPicture(outside(dropped), folder, sourceFolder).name, written);
        for (const QString& name : taken)
            QCOMPARE(readFile(QDir(folder).filePath(name)), name.toUtf8());
        taken << written;
        taken.sort();
        QCOMPARE(entries(folder), taken);
        if (written.endsWith("jpg", Qt::CaseInsensitive) || dropped.endsWith(".png"))
            QCOMPARE(readFile(QDir(folder).filePath(written)), bytes);
        QCOMPARE(QImage(QDir(folder).filePath(written)).size(), QSize(40, 30));
    }

    // Kinds the background folder does not list are decoded and written as JPEG at
    // quality 100: a grey ramp comes back within a step or two.
    void convertedKinds_data()
    {
        QTest::addColumn<QString>("dropped");
        QTest::newRow(".bmp as background") << "ramp.bmp";
        QTest::newRow(".png as background") << "ramp.png";
    }
    void convertedKinds()
    {
        QFETCH(QString, dropped);
        QImage ramp(256, 64, QImage::Format_RGB32);
        for (int x = 0; x < 256; ++x)
            for (int y = 0; y < 64; ++y)
                ramp.setPixel(x, y, qRgb(x, x, x));
        QVERIFY(ramp.save(outside(dropped), nullptr, 100));
        const QImage sent = QImage(outside(dropped)).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(platform::importPicture(outside(dropped), p.background(), false).name, QString("ramp.jpg"));
        QImageReader reader(p.background("ramp.jpg"));
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        const QImage got = reader.read().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(got.size(), sent.size());
        int worst = 0;
        for (int x = 0; x < 256; ++x)
            worst = std::max(worst, std::abs(qBlue(got.pixel(x, 32)) - qBlue(sent.pixel(x, 32))));
        QVERIFY2(worst <= 2, qPrintable(QString::number(worst)));
        QCOMPARE(testing::firstQuantisation(p.background("ramp.jpg")), 1); // quality 100
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
        QTest::newRow("settings window, several")
            << "Window2" << QStringList { "c.jpg", "d.jpeg", "e.png" } << "e.png" << QStringList {};
        QTest::newRow("one unreadable among two")
            << "Window1" << QStringList { "c.jpg", "!bad.jpg" } << "c.jpg" << QStringList { kNotFound + "\nbad.jpg" };
        QTest::newRow("unreadable only, each named") << "Canvas2" << QStringList { "!bad.png", "!worse.jpg" } << ""
                                                     << QStringList { kNotFound + "\nbad.png\nworse.jpg" };
        // A file dropped on a text field is not typed into it.
        QTest::newRow("text field") << "EditField2" << QStringList { "c.jpg" } << "c.jpg" << QStringList {};
        QTest::newRow("a picture with words, on the text field: the words typed")
            << "EditField2" << QStringList {} << "" << QStringList {};
    }
    void drops()
    {
        QFETCH(QString, target);
        QFETCH(QStringList, files);
        QFETCH(QString, chosen);
        Window1* w1 = p.start();
        const bool toBackground = target == "Canvas2";
        const QString folder = toBackground ? p.background() : p.source();
        QStringList paths;
        for (QString name : files) {
            const bool bad = name.startsWith('!');
            if (bad) name.remove(0, 1);
            QVERIFY(bad ? writeFile(outside(name), "not a picture")
                        : stripes({ 50, 60 }, 200).save(outside(name), name.endsWith("png") ? "PNG" : "JPEG"));
            paths << outside(name);
        }
        QWidget* widget = target == "Window1" ? static_cast<QWidget*>(w1)
            : target == "Window2"             ? static_cast<QWidget*>(p.w2())
                                              : p.control(target);
        PopupMenu* chosenList = list(toBackground ? "PopupMenu11" : "PopupMenu3");
        const QString before = chosenList->Text();
        const QStringList folderBefore = entries(folder);
        const QString typed = p.control<QLineEdit>(QStringLiteral("EditField2"))->text();
        QVERIFY(drop(widget, paths));
        QTEST(fake().messages, "messages");
        QCOMPARE(chosenList->Text(), chosen.isEmpty() ? before : chosen);
        QCOMPARE(p.control<QLineEdit>(QStringLiteral("EditField2"))->text(), (files.isEmpty() ? "words" : "") + typed);
        if (chosen.isEmpty()) {
            QCOMPARE(entries(folder), folderBefore);
            return;
        }
        // The chosen pattern is loaded as a choice in the list would load it.
        const QImage* loaded = p.mainControl<Canvas>(QStringLiteral("Canvas3"))->backdrop();
        QCOMPARE(loaded->size(), QSize(50, 60));
        if (chosen.endsWith(".png")) QCOMPARE(*loaded, stripes({ 50, 60 }, 200));
    }

    // A scene file is no picture: dropped alone on either window it is opened as a scene,
    // whatever the case of its suffix, and nothing is copied into the folders.
    void sceneFilesDropped()
    {
        Window1* w1 = p.start();
        scene::SceneState crossed = p.model()->state();
        crossed.methodRow = 1;
        QVERIFY(!scene::writeSceneFile(crossed, outside("a.voleta")) && writeFile(outside("B.VOLETA"), "{}"));
        QVERIFY(drop(w1, { outside("a.voleta") }));
        QCOMPARE(p.model()->state().methodRow, 1);
        p.model()->chooseMethod(0);
        fake().askAnswer = platform::Dialogs::SaveAnswer::Discard; // the scene's change let go
        drop(p.control(QStringLiteral("Canvas2")), { outside("a.voleta") }); // passed on to its window
        QCOMPARE(p.model()->state().methodRow, 1);
        QVERIFY(fake().messages.isEmpty());
        drop(p.w2(), { outside("B.VOLETA") }); // not a scene: it says so
        drop(w1, { outside("a.voleta"), outside("B.VOLETA") }); // two scenes: neither opens, and it says why
        QCOMPARE(fake().messages.size(), 2);
        QVERIFY(fake().messages[0].startsWith(QStringLiteral("場面を開けませんでした")));
        QCOMPARE(fake().messages[1], QStringLiteral("場面ファイルは一度に一つずつ開いてください"));
        QCOMPARE(entries(p.source()), QStringList({ "a.png", "b.png" }));
        QCOMPARE(entries(p.background()), QStringList({ "0 flat.jpg", "hills.jpg" }));
    }

    // Paste: a picture becomes "貼り付け <date> <time>.png" in 画像フォルダ, chosen; file
    // URLs come in as a drop on the main window.
    void paste_data()
    {
        QTest::addColumn<QString>("content"); // "image" or "files"
        QTest::addColumn<QString>("chosen"); // a pattern; "*" for the time-named one
        QTest::newRow("picture") << QStringLiteral("image") << QStringLiteral("*");
        QTest::newRow("file URLs") << QStringLiteral("files") << QStringLiteral("c (2).png");
    }
    void paste()
    {
        QFETCH(QString, content);
        QFETCH(QString, chosen);
        p.start();
        QVERIFY(stripes({ 30, 40 }, 5).save(p.source("c.png")) && stripes({ 30, 40 }, 5).save(outside("c.png")));
        auto* mime = new QMimeData;
        if (content == "image")
            mime->setImageData(stripes({ 30, 40 }, 5));
        else
            mime->setUrls({ QUrl::fromLocalFile(outside("c.png")) });
        QGuiApplication::clipboard()->setMimeData(mime);
        item("pastePicture")->trigger();
        QVERIFY(fake().messages.isEmpty());
        const QString name = list("PopupMenu3")->Text();
        if (chosen == "*") {
            QVERIFY2(QRegularExpression(QStringLiteral("^貼り付け \\d{4}-\\d\\d-\\d\\d \\d{6}\\.png$"))
                         .match(name)
                         .hasMatch(),
                qPrintable(name));
            QCOMPARE(QImageReader(p.source(name)).format(), QByteArray("png"));
        } else {
            QCOMPARE(name, chosen);
        }
        QCOMPARE(*p.mainControl<Canvas>(QStringLiteral("Canvas3"))->backdrop(), stripes({ 30, 40 }, 5));
        QGuiApplication::clipboard()->clear();
    }
};

QTEST_MAIN(TestTransfer)
#include "test_transfer.moc"
