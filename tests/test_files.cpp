// Bad, odd and vanishing picture files: what opening them gives, how the windows react
// to them, and that the program keeps working afterwards.
#include "app/Class1.h"
#include "controls/Controls.h"
#include "main_window/Window1.h"
#include "platform/Files.h"
#include "settings/Window2.h"
#include "support/FakeDialogs.h"

#include <QBuffer>
#include <QImageWriter>
#include <QLineEdit>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kSource = QStringLiteral("画像フォルダ");
const QString kBackground = QStringLiteral("背景フォルダ");
const QString kNotFound = QStringLiteral("画像が見つかりません");

QImage noise(QSize size, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(size, QImage::Format_RGB888); // lines padded to whole 32-bit words
    QRandomGenerator(size.width() * 7919 + size.height())
        .fillRange(reinterpret_cast<quint32*>(image.bits()), image.sizeInBytes() / 4);
    return image.convertToFormat(format);
}

QByteArray encode(const QImage& image, const char* format, bool progressive = false)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return buffer.data();
}

// The JPEG with its frame header (SOF0) claiming another size.
QByteArray withFrameSize(QByteArray jpeg, int width, int height)
{
    const qsizetype sof = jpeg.indexOf("\xff\xc0");
    const char bytes[4] = { char(height >> 8), char(height), char(width >> 8), char(width) };
    jpeg.replace(sof + 5, 4, bytes, 4);
    return jpeg;
}

// The JPEG with an Exif segment holding just an orientation tag, right after SOI.
QByteArray withOrientation(QByteArray jpeg, int orientation)
{
    const unsigned char exif[] = { 0xff, 0xe1, 0, 34, 'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01,
        0x12, 0, 3, 0, 0, 0, 1, 0, static_cast<unsigned char>(orientation), 0, 0, 0, 0, 0, 0 };
    return jpeg.insert(2, reinterpret_cast<const char*>(exif), sizeof exif);
}

// How a bad entry is made: from bytes, or as something that is not a plain file.
enum Kind { Bytes, Folder, Fifo, Loop, NoPermission };

using Why = platform::FailureKind;
constexpr Why kOpens = Why::WriteFailed; // stands for "no failure" in the table below

struct Case {
    const char* tag;
    Kind kind;
    QByteArray bytes;
    QSize size; // as opened; 0 x 0 = unreadable
    Why why = kOpens; // the failure kind of an unreadable one
};

QList<Case> cases()
{
    const QByteArray jpeg = encode(noise({ 40, 20 }), "jpg");
    QFile cmyk(QStringLiteral(VOLETA_SOURCE_DIR "/tests/data/cmyk-12x8.jpg"));
    cmyk.open(QIODevice::ReadOnly);
    const QSize none(0, 0);
    return {
        { "empty", Bytes, {}, none, Why::NotAPicture },
        { "PNG named .jpg", Bytes, encode(noise({ 30, 20 }), "png"), { 30, 20 } },
        { "1 x 1 pixel", Bytes, encode(noise({ 1, 1 }), "jpg"), { 1, 1 } },
        { "greyscale", Bytes, encode(noise({ 30, 20 }, QImage::Format_Grayscale8), "jpg"), { 30, 20 } },
        { "progressive", Bytes, encode(noise({ 30, 20 }), "jpg", true), { 30, 20 } },
        { "CMYK", Bytes, cmyk.readAll(), { 12, 8 } },
        { "16-bit PNG", Bytes, encode(noise({ 30, 20 }, QImage::Format_RGBA64), "png"), { 30, 20 } },
        { "Exif orientation 6", Bytes, withOrientation(jpeg, 6), { 20, 40 } },
        // A frame larger than its scan opens, the missing part grey: the largest sizes that open.
        { "frame 12000 wide", Bytes, withFrameSize(jpeg, 12000, 20), { 12000, 20 } },
        { "frame 12000 high", Bytes, withFrameSize(jpeg, 40, 12000), { 40, 12000 } },
        { "frame 12001 wide", Bytes, withFrameSize(jpeg, 12001, 20), none, Why::TooLarge },
        { "frame 12001 high", Bytes, withFrameSize(jpeg, 40, 12001), none, Why::TooLarge },
        { "frame 60000 x 60000", Bytes, withFrameSize(jpeg, 60000, 60000), none, Why::TooLarge },
        { "cut before the scan", Bytes, jpeg.left(jpeg.indexOf("\xff\xda")), none, Why::NotAPicture },
        // libjpeg fills a missing tail of the scan with grey: the picture opens.
        { "cut in the scan", Bytes, jpeg.left((jpeg.indexOf("\xff\xda") + jpeg.size()) / 2), { 40, 20 } },
        { "folder", Folder, {}, none, Why::NotAFile },
        { "named pipe", Fifo, {}, none, Why::NotAFile },
        { "symlink loop", Loop, {}, none, Why::Missing },
        { "no permission", NoPermission, encode(noise({ 30, 20 }), "jpg"), none, Why::NoPermission },
    };
}

bool make(const QString& path, const Case& c)
{
    if (c.kind == Folder) return QDir().mkpath(path);
    if (c.kind == Fifo) return ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0;
    if (c.kind == Loop) return QFile::link(path, path);
    QFile f(path);
    const bool written = f.open(QIODevice::WriteOnly) && f.write(c.bytes) == c.bytes.size();
    f.close();
    return written && (c.kind == Bytes || f.setPermissions({}));
}

} // namespace

class TestFiles : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<ScopedFakeDialogs> fake;

    QString source(const QString& name = {}) const { return dir.filePath(kSource + QLatin1Char('/') + name); }
    QString background(const QString& name = {}) const { return dir.filePath(kBackground + QLatin1Char('/') + name); }
    Window2* w2() const { return Window2::instance(); }
    QStringList& messages() const { return (*fake)->messages; }

    // The windows started afresh on the test folders, with no text to draw.
    Window1* start()
    {
        Window1::destroyInstances();
        platform::resetQuitRequest();
        fake = std::make_unique<ScopedFakeDialogs>();
        platform::setApplicationFolder(dir.path());
        Window1* w1 = Window1::instance();
        for (int n = 1; n <= 3; ++n)
            w2()->lineField(n)->clear();
        return w1;
    }
    // Display with a readable source composes the picture and says nothing.
    void displayWorks()
    {
        messages().clear();
        w2()->PushButton1_Action();
        QVERIFY(messages().isEmpty());
        QCOMPARE(Window1::instance()->Canvas1->backdrop(), &Window1::instance()->bu1);
    }
    static void choose(PopupMenu* list, const QString& row) { list->setListIndex(list->findText(row)); }

private Q_SLOTS:
    void init()
    {
        QVERIFY(dir.isValid());
        QDir(dir.path()).removeRecursively();
        QVERIFY(QDir().mkpath(source()) && QDir().mkpath(background()));
        QVERIFY(noise({ 64, 128 }).save(source(QStringLiteral("a good.png"))));
        QImage ramp(161, 10, QImage::Format_RGB32); // blue 40 at the left to 200 at the right
        for (int x = 0; x < ramp.width(); ++x)
            QPainter(&ramp).fillRect(x, 0, 1, ramp.height(), QColor(0, 0, 40 + x));
        QVERIFY(ramp.save(background(QStringLiteral("ramp.jpg")), "PNG"));
        QVERIFY(noise({ 50, 40 }).save(background(QStringLiteral("0 flat.jpg")), "JPG")); // row 0: the flat plane
    }
    void cleanupTestCase() { Window1::destroyInstances(); }

    // Each bad entry: what opening it gives; then, put in both folders, it is listed,
    // says nothing as an unreadable source (Display then says there is no picture) and
    // "not found" as an unreadable background, a far pan is pulled back inside a map,
    // and the program goes on working.
    void badEntry_data()
    {
        QTest::addColumn<int>("index");
        const QList<Case> all = cases();
        for (int i = 0; i < all.size(); ++i)
            QTest::newRow(all[i].tag) << i;
    }
    void badEntry()
    {
        QFETCH(int, index);
        const Case c = cases()[index];
        if (c.kind == NoPermission && ::geteuid() == 0) QSKIP("running as root: permission bits do not stop reading");
        const QString name = QString::fromLatin1(c.tag) + QStringLiteral(".jpg");
        QVERIFY(make(source(name), c) && make(background(name), c));
        const platform::PictureResult result = platform::openPicture(source(name));
        QCOMPARE(result.image.size(), c.size);
        if (result.ok())
            QCOMPARE(result.image.format(), QImage::Format_RGB32);
        else
            QCOMPARE(result.failure.kind, c.why);
        QCOMPARE(result.failure.file, source(name));

        Window1* w1 = start();
        choose(w2()->PopupMenu3, name);
        QCOMPARE(w2()->PopupMenu3->Text(), name);
        QCOMPARE(w1->Canvas3->hasBackdrop(), result.ok());
        QVERIFY(messages().isEmpty());
        if (!result.ok()) {
            w2()->PushButton1_Action();
            QCOMPARE(messages(), QStringList { kNotFound });
            messages().clear();
        }
        w2()->PopupMenu12->setListIndex(5);
        w2()->x1 = 1000000, w2()->y1 = -1000000;
        choose(w2()->PopupMenu11, name);
        QCOMPARE(w2()->PopupMenu11->Text(), name);
        QCOMPARE(w2()->Canvas2->hasBackdrop(), result.ok());
        QCOMPARE(messages(), result.ok() ? QStringList() : QStringList { kNotFound });
        QVERIFY(std::abs(w2()->x1) <= result.image.width() && std::abs(w2()->y1) <= result.image.height());
        choose(w2()->PopupMenu3, QStringLiteral("a good.png"));
        displayWorks();
    }

    // A large folder, odd names among its entries: all listed, sorted by name, each opens.
    void thousandsOfEntries()
    {
        for (int i = 0; i < 3000; ++i) { // empty files; two in three have an accepted name
            const QString name = QStringLiteral("%1.%2").arg(i, 4, 10, QLatin1Char('0')).arg(i % 3 ? "jpg" : "txt");
            QFile(source(name)).open(QIODevice::WriteOnly);
            QFile(background(name)).open(QIODevice::WriteOnly);
        }
        for (const char* name : { "x.jpeg", "y.jpg.txt", "写真 100%.PCT", "new\nline.PNG" })
            QVERIFY(noise({ 8, 8 }).save(source(name), "PNG"));
        Window1* w1 = start();
        QCOMPARE(w2()->PopupMenu3->count(), 2003);
        QCOMPARE(w2()->PopupMenu11->count(), 2002);
        QCOMPARE(w2()->PopupMenu11->itemText(2000), QStringLiteral("2999.jpg"));
        const QStringList last { "a good.png", "new\nline.PNG", "写真 100%.PCT" }; // after the digits
        for (int i = 2; i >= 0; --i) {
            w2()->PopupMenu3->setListIndex(2000 + i);
            QCOMPARE(w2()->PopupMenu3->Text(), last[i]);
            QVERIFY(w1->Canvas3->hasBackdrop());
        }
        displayWorks();
    }

    // A picture deleted after the scan, before or after it was chosen: said as unreadable
    // bad files are; put back, it works again.
    void deletedAfterTheScan_data()
    {
        QTest::addColumn<bool>("isSource");
        QTest::addColumn<bool>("chosen");
        QTest::newRow("source, not chosen") << true << false;
        QTest::newRow("source, chosen") << true << true;
        QTest::newRow("background, not chosen") << false << false;
        QTest::newRow("background, chosen") << false << true;
    }
    void deletedAfterTheScan()
    {
        QFETCH(bool, isSource);
        QFETCH(bool, chosen);
        QVERIFY(noise({ 64, 128 }).save(source(QStringLiteral("b.jpg")), "JPG"));
        Window1* w1 = start(); // chooses b.jpg, the second source row, and the flat background
        PopupMenu* list = isSource ? w2()->PopupMenu3 : w2()->PopupMenu11;
        auto chooseAgain = [list] { list->setListIndex(0), list->setListIndex(1); };
        const QString path = isSource ? source(QStringLiteral("b.jpg")) : background(QStringLiteral("ramp.jpg"));
        const QString away = dir.filePath(QStringLiteral("away"));
        if (chosen) chooseAgain();
        QVERIFY(QFile::rename(path, away));
        if (!chosen) {
            chooseAgain();
            if (isSource) { // nothing said until Display
                QVERIFY(!w1->Canvas3->hasBackdrop() && messages().isEmpty());
                w2()->PushButton1_Action();
            }
            QCOMPARE(messages(), QStringList { kNotFound });
            QVERIFY(isSource || (!w2()->Canvas2->hasBackdrop() && w2()->x1 == 0 && w2()->y1 == 0));
        } else { // the chosen source is in memory; a background is read again: flat
            displayWorks();
            QCOMPARE(w1->a.at(1, 640), 0);
        }

        QVERIFY(QFile::rename(away, path));
        chooseAgain();
        w2()->PopupMenu11->setListIndex(1);
        displayWorks();
        QCOMPARE(w1->a.at(1, 640), 13); // the ramp's relief
    }
};

int main(int argc, char** argv)
{
    Class1 app(argc, argv);
    TestFiles test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_files.moc"
