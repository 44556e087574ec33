// Bad, odd and vanishing picture files: what opening them gives; the user's folders when a seeding copy fails.
#include "platform/Files.h"
#include "support/Files.h"

#include <QBuffer>
#include <QMap>
#include <QRandomGenerator>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

QImage noise(QSize size, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(size, QImage::Format_RGB888); // lines padded to whole 32-bit words
    QRandomGenerator(size.width() * 7919 + size.height())
        .fillRange(reinterpret_cast<quint32*>(image.bits()), image.sizeInBytes() / 4);
    return image.convertToFormat(format);
}

QByteArray encode(const QImage& image, const char* format)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return buffer.data();
}

// The JPEG with its frame header (SOF0) claiming another size.
QByteArray withFrameSize(QByteArray jpeg, int width, int height)
{
    const char bytes[4] = { char(height >> 8), char(height), char(width >> 8), char(width) };
    return jpeg.replace(jpeg.indexOf("\xff\xc0") + 5, 4, bytes, 4);
}

// The JPEG with an Exif segment holding just an orientation tag, right after SOI.
QByteArray withOrientation(QByteArray jpeg, int orientation)
{
    const unsigned char exif[] = { 0xff, 0xe1, 0, 34, 'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01,
        0x12, 0, 3, 0, 0, 0, 1, 0, static_cast<unsigned char>(orientation), 0, 0, 0, 0, 0, 0 };
    return jpeg.insert(2, reinterpret_cast<const char*>(exif), sizeof exif);
}

// How a bad entry is made: from bytes, or as something that is not a plain file.
enum Kind { Bytes, Fifo, Vanished };

using Why = platform::FailureKind;

struct Case {
    const char* tag; // also the file's name, with ".jpg"
    Kind kind;
    QByteArray bytes;
    QSize size; // as opened; 0 x 0 = unreadable
    Why why = Why::WriteFailed; // the failure kind of an unreadable one
};

QList<Case> cases()
{
    const QByteArray jpeg = encode(noise({ 40, 20 }), "jpg");
    const QSize none(0, 0);
    return {
        { "empty", Bytes, {}, none, Why::NotAPicture },
        { "greyscale", Bytes, encode(noise({ 30, 20 }, QImage::Format_Grayscale8), "jpg"), { 30, 20 } },
        { "Exif orientation 6", Bytes, withOrientation(jpeg, 6), { 20, 40 } },
        // A frame larger than its scan opens, the missing part grey, up to 12000 on a side.
        { "frame 12000 wide", Bytes, withFrameSize(jpeg, 12000, 20), { 12000, 20 } },
        { "frame 12001 wide", Bytes, withFrameSize(jpeg, 12001, 20), none, Why::TooLarge },
        { "named pipe", Fifo, {}, none, Why::NotAFile },
        { "0 vanished after the scan", Vanished, jpeg, none, Why::Missing },
    };
}

bool make(const QString& path, const Case& c)
{
    if (c.kind == Fifo) return ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0;
    return testing::writeFile(path, c.bytes);
}

} // namespace

class TestFiles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each bad entry: what opening it gives, a picture of 32-bit pixels or the kind of failure, naming the file.
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
        QTemporaryDir dir;
        const QString file = dir.filePath(QString::fromUtf8(c.tag) + QStringLiteral(".jpg"));
        QVERIFY(make(file, c));
        if (c.kind == Vanished) QVERIFY(QFile::remove(file));
        const platform::PictureResult result = platform::openPicture(file);
        QCOMPARE(result.image.size(), c.size);
        if (result.ok())
            QCOMPARE(result.image.format(), QImage::Format_RGB32);
        else
            QCOMPARE(result.failure.kind, c.why);
        QCOMPARE(result.failure.file, file);
    }

    // A copy that fails half way (the file-size limit stops the first large sample) leaves each folder made and
    // empty: no sample copied before the failure stays. The hidden half copy an interrupted start left is gone too;
    // a hidden folder not of ours stays.
    void seedingFailsHalfWay()
    {
        QTemporaryDir root;
        const QString samples = root.filePath(QStringLiteral("samples")), user = root.filePath(QStringLiteral("user"));
        const QStringList names { platform::kSourceFolderName, platform::kBackgroundFolderName };
        const QMap<QString, QByteArray> files { { QStringLiteral(".hidden.jpg"), QByteArray(3, 'x') },
            { QStringLiteral("a.jpg"), encode(noise({ 700, 500 }), "JPG") } };
        for (const QString& name : names) {
            QVERIFY(QDir().mkpath(QDir(samples).filePath(name)));
            for (auto f = files.cbegin(); f != files.cend(); ++f)
                QVERIFY(testing::writeFile(QDir(samples).filePath(name + QLatin1Char('/') + f.key()), f.value()));
            QVERIFY(QDir().mkpath(QDir(user).filePath(QLatin1Char('.') + name + QStringLiteral("-a1b2c3/a.jpg"))));
        }
        QVERIFY(QDir().mkpath(user + QStringLiteral("/.not-a-copy-123456")));

        rlimit saved {};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 1000; // .hidden.jpg, copied first, fits; a.jpg does not
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        const platform::PictureFolders folders
            = platform::resolvePictureFolders({ root.filePath(QStringLiteral("app")), user, { samples } });
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        QStringList expected = names + QStringList { QStringLiteral(".not-a-copy-123456") };
        expected.sort();
        QCOMPARE(QDir(user).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name), expected);
        for (const platform::PictureFolder& folder : { folders.source, folders.background }) {
            QCOMPARE(folder.state, platform::FolderState::CopyFailed);
            QCOMPARE(QDir(folder.path).entryList(QDir::Files | QDir::Hidden), QStringList());
        }
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "test_files.moc"
