// Saving the composed picture as a JPEG file and printing it.
#include "main_window/SaveAndPrint.h"
#include "platform/Files.h"
#include "support/FakeDialogs.h"

#include <QBuffer>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <unistd.h>

namespace {

// A 1920 x 1280 picture, red on the left half and blue on the right.
QImage composedPicture()
{
    QImage picture(1920, 1280, QImage::Format_RGB32);
    picture.fill(QColor(220, 20, 20));
    QPainter(&picture).fillRect(960, 0, 960, 1280, QColor(20, 20, 220));
    return picture;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QString kCannotSave = QStringLiteral("画像を保存できませんでした\n");
const QString kNoPermission = QStringLiteral("この場所に書き込む権限がありません");
const QString kNoFolder = QStringLiteral("保存先のフォルダがありません");
const QString kBadName = QStringLiteral("この名前のファイルは作れません");
const QString kWriteFailed = QStringLiteral("書き込みに失敗しました");

} // namespace

class TestOutput : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void suggestedName_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const QString& source, const QStringList& lines,
                             const QString& expected) { QTest::newRow(name) << source << lines << expected; };
        // clang-format off
        row("lines trimmed and joined", "fuji.jpg", { "Hello", "\t", " World " }, "fujiHelloWorld_3D.jpg");
        row("cut at the first dot, not the last", "a.b.jpg", { "", "", "" }, "a_3D.jpg");
        row("no dot: whole name", "photo", { "X", "", "" }, "photoX_3D.jpg");
        row("dot first: whole name", ".sky.jpg", { "X", "", "" }, ".sky.jpgX_3D.jpg");
        row("full-width spaces trimmed, inner one kept", "富士山.jpg",
            { QStringLiteral("\u3000立体\u3000視\u3000"), "", QStringLiteral("\u3000") },
            QStringLiteral("富士山立体\u3000視_3D.jpg"));
        row("slash replaced", "sky.jpg", { "1/2", "", "../x" }, "sky1_2.._x_3D.jpg");
        row("newline inside a line replaced", "sky.jpg", { "a\nb", "", "" }, "skya_b_3D.jpg");
        row("NUL replaced", "sky.jpg", { QStringLiteral("a") + QChar(0) + QStringLiteral("b"), "", "" }, "skya_b_3D.jpg");
        row("empty source name", "", { "X", "", "" }, "X_3D.jpg");
        // clang-format on
    }
    void suggestedName()
    {
        QFETCH(QString, source);
        QFETCH(QStringList, lines);
        QTEST(output::suggestedJpegName(source, lines[0], lines[1], lines[2]), "expected");
    }

    // The folder holds an earlier "sky_3D.jpg", a subfolder "taken" and a read-only
    // subfolder "locked". A save that does not complete leaves them as they were, no
    // temporary file beside them, and says why in the window's words.
    void save_data()
    {
        QTest::addColumn<QString>("target"); // empty: the save dialog is cancelled
        QTest::addColumn<bool>("validPicture");
        QTest::addColumn<QString>("reason"); // empty: saved (or cancelled)
        QTest::newRow("cancelled") << QString() << true << QString();
        QTest::newRow("new file, non-ASCII name") << QStringLiteral("富士HelloWorld_3D.jpg") << true << QString();
        QTest::newRow("replaces the earlier file") << QStringLiteral("sky_3D.jpg") << true << QString();
        QTest::newRow("folder that does not exist") << QStringLiteral("missing/sky_3D.jpg") << true << kNoFolder;
        QTest::newRow("path is a folder") << QStringLiteral("taken") << true << kBadName;
        QTest::newRow("path through a file") << QStringLiteral("sky_3D.jpg/x.jpg") << true << kBadName;
        QTest::newRow("name too long") << QString(300, QLatin1Char('n')) + QStringLiteral(".jpg") << true << kBadName;
        QTest::newRow("read-only folder") << QStringLiteral("locked/sky_3D.jpg") << true << kNoPermission;
        QTest::newRow("encoder fails after opening") << QStringLiteral("sky_3D.jpg") << false << kWriteFailed;
    }
    void save()
    {
        QFETCH(QString, target);
        QFETCH(bool, validPicture);
        QFETCH(QString, reason);
        if (reason == kNoPermission && ::geteuid() == 0) QSKIP("root may write into read-only folders");
        const bool saved = !target.isEmpty() && reason.isEmpty();
        QTemporaryDir dir;
        const QString earlierPath = dir.filePath(QStringLiteral("sky_3D.jpg"));
        QFile earlier(earlierPath);
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier") == 7);
        earlier.close();
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("taken")) && QDir(dir.path()).mkdir(QStringLiteral("locked")));
        QVERIFY(QFile::setPermissions(dir.filePath(QStringLiteral("locked")), QFile::ReadOwner | QFile::ExeOwner));
        ScopedFakeDialogs fake;
        fake->saveAnswer = target.isEmpty() ? QString() : dir.filePath(target);

        QCOMPARE(output::savePicture(validPicture ? composedPicture() : QImage(), QStringLiteral("sky_3D.jpg")), saved);
        QCOMPARE(fake->messages, reason.isEmpty() ? QStringList() : QStringList { kCannotSave + reason });
        QStringList entries { QStringLiteral("locked"), QStringLiteral("sky_3D.jpg"), QStringLiteral("taken") };
        if (saved && !entries.contains(target)) entries << target;
        entries.sort();
        QCOMPARE(
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name), entries);
        if (!saved) {
            QCOMPARE(readAll(earlierPath), QByteArray("earlier"));
            return;
        }
        QImageReader reader(dir.filePath(target));
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        const QImage picture = reader.read();
        QCOMPARE(picture.size(), QSize(1920, 1280));
        // Both halves survive, so the whole picture was written unscaled.
        const QColor left = picture.pixelColor(100, 640), right = picture.pixelColor(1820, 640);
        QVERIFY2(left.red() > 180 && left.blue() < 60, qPrintable(left.name()));
        QVERIFY2(right.blue() > 180 && right.red() < 60, qPrintable(right.name()));
    }

    // What the window says for the system's error numbers, given at the writer: failures
    // a test cannot cause on disk (a full disk, a read-only disk, anything as root).
    void saveFailureReasons_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("reason");
        const QString noSpace = QStringLiteral("ディスクの空き容量が足りません");
        QTest::newRow("ENOSPC") << ENOSPC << noSpace;
        QTest::newRow("EDQUOT") << EDQUOT << noSpace;
        QTest::newRow("EACCES") << EACCES << kNoPermission;
        QTest::newRow("EROFS") << EROFS << kNoPermission;
        QTest::newRow("ENOTDIR") << ENOTDIR << kBadName;
    }
    void saveFailureReasons()
    {
        QFETCH(int, error);
        QFETCH(QString, reason);
        ScopedFakeDialogs fake;
        fake->saveAnswer = QStringLiteral("/somewhere/x.jpg");
        const auto writer = [error](const QImage&, const QString& path, output::PictureFormat) {
            const platform::FailureKind kind = platform::failureFromErrno(error, platform::FailureKind::WriteFailed);
            return std::optional(platform::Failure { kind, path, QString() });
        };
        QVERIFY(!output::savePicture(composedPicture(), QStringLiteral("x.jpg"), writer));
        QCOMPARE(fake->messages, QStringList { kCannotSave + reason });
    }

    // The format follows a typed extension first, then the chosen filter.
    void saveFormat_data()
    {
        using F = output::PictureFormat;
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<F>("format");
        const QString jpeg = output::kJpegFilter, png = output::kPngFilter;
        QTest::newRow("jpg, JPEG filter") << "/d/x.jpg" << jpeg << F::Jpeg;
        QTest::newRow("png, PNG filter") << "/d/x.png" << png << F::Png;
        QTest::newRow("png typed, JPEG filter") << "/d/x.png" << jpeg << F::Png;
        QTest::newRow("jpeg typed, PNG filter") << "/d/x.jpeg" << png << F::Jpeg;
        QTest::newRow("PNG in capitals") << "/d/X.PNG" << jpeg << F::Png;
        QTest::newRow("JPG in capitals") << "/d/X.JPG" << png << F::Jpeg;
        QTest::newRow("no extension, PNG filter") << "/d/x" << png << F::Png;
        QTest::newRow("no extension, JPEG filter") << "/d/x" << jpeg << F::Jpeg;
        QTest::newRow("other extension, PNG filter") << "/d/x.tif" << png << F::Png;
        QTest::newRow("png only in the folder") << "/d.png/x" << jpeg << F::Jpeg;
        QTest::newRow("no filter") << "/d/x" << QString() << F::Jpeg;
    }
    void saveFormat()
    {
        QFETCH(QString, path);
        QFETCH(QString, filter);
        QTEST(output::saveFormat(path, filter), "format");
    }

    // Through the real writer: the file holds the format asked for; PNG gives back every
    // pixel; JPEG is encoded at quality 95, not the encoder's default 75.
    void savedFormats_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("JPEG") << "a.jpg" << output::kJpegFilter << QByteArray("jpeg");
        QTest::newRow("PNG by filter") << "b" << output::kPngFilter << QByteArray("png");
        QTest::newRow("PNG by extension") << "c.png" << output::kJpegFilter << QByteArray("png");
    }
    void savedFormats()
    {
        QFETCH(QString, name);
        QFETCH(QString, filter);
        QFETCH(QByteArray, format);
        QTemporaryDir dir;
        ScopedFakeDialogs fake;
        fake->saveAnswer = dir.filePath(name);
        fake->saveFilter = filter;
        // Noise, so that a JPEG's quality shows in every block.
        QImage picture(1920, 1280, QImage::Format_RGB32);
        quint32 v = 1;
        for (int y = 0; y < picture.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
            for (int x = 0; x < picture.width(); ++x)
                row[x] = 0xFF000000u | ((v = v * 1664525u + 1013904223u) >> 8);
        }
        QVERIFY(output::savePicture(picture, QStringLiteral("x_3D.jpg")));
        QCOMPARE(fake->offeredFilters, (QList<QStringList> { { output::kJpegFilter, output::kPngFilter } }));
        QCOMPARE(QImageReader(fake->saveAnswer).format(), format);
        const QByteArray written = readAll(fake->saveAnswer);
        if (format == "png") {
            QCOMPARE(QImage(fake->saveAnswer).convertToFormat(QImage::Format_RGB32), picture);
            return;
        }
        const auto encoded = [&](int quality) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            QImageWriter writer(&buffer, "jpeg");
            writer.setQuality(quality);
            writer.write(picture);
            return bytes;
        };
        QCOMPARE(written, encoded(95));
        QVERIFY(written != encoded(75));
    }

    // The wait cursor shows while the file is written, and only then.
    void busyCursorWhileWriting()
    {
        ScopedFakeDialogs fake;
        fake->saveAnswer = QStringLiteral("/somewhere/x.png");
        QList<int> shapes;
        const auto writer
            = [&](const QImage&, const QString&, output::PictureFormat) -> std::optional<platform::Failure> {
            shapes << (QGuiApplication::overrideCursor() ? int(QGuiApplication::overrideCursor()->shape()) : -1);
            return std::nullopt;
        };
        QVERIFY(output::savePicture(composedPicture(), QStringLiteral("x.jpg"), writer));
        QCOMPARE(shapes, QList<int> { Qt::WaitCursor });
        QVERIFY(!QGuiApplication::overrideCursor());
        fake->saveAnswer.clear(); // cancelled: no cursor change at all
        QVERIFY(!output::savePicture(composedPicture(), QStringLiteral("x.jpg"), writer));
        QCOMPARE(shapes.size(), 1);
    }

    void answerName_data()
    {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("answer");
        QTest::newRow("stereogram name") << "fujiHello_3D.jpg" << QStringLiteral("fujiHello_3D_答え.png");
        QTest::newRow("dots in the text") << "a1.5_3D.jpg" << QStringLiteral("a1.5_3D_答え.png");
        QTest::newRow("no extension") << "photo" << QStringLiteral("photo_答え.png");
        QTest::newRow("dot first") << ".sky" << QStringLiteral(".sky_答え.png");
    }
    void answerName()
    {
        QFETCH(QString, picture);
        QTEST(output::suggestedAnswerName(picture), "answer");
    }

    // 3:2 across the page, the height rounded down.
    void printRectangle()
    {
        QCOMPARE(output::printRect(600), QRect(0, 0, 600, 400));
        QCOMPARE(output::printRect(700), QRect(0, 0, 700, 466));
    }

    void print_data()
    {
        QTest::addColumn<bool>("pageSetupAnswer");
        QTest::addColumn<bool>("printAnswer");
        QTest::addColumn<QString>("pdf");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("one page") << true << true << "page.pdf" << QStringList();
        QTest::newRow("page setup cancelled") << false << true << "page.pdf" << QStringList();
        QTest::newRow("print dialog cancelled") << true << false << "page.pdf" << QStringList();
        QTest::newRow("printer cannot start")
            << true << true << "missing/page.pdf" << QStringList { QStringLiteral("印刷できませんでした") };
    }
    void print()
    {
        QFETCH(bool, pageSetupAnswer);
        QFETCH(bool, printAnswer);
        QFETCH(QString, pdf);
        QFETCH(QStringList, messages);
        QTemporaryDir dir;
        ScopedFakeDialogs fake;
        fake->pageSetupAnswer = pageSetupAnswer;
        fake->printAnswer = printAnswer;
        QStringList outputNamesFound;
        fake->preparePrinter = [&](QPrinter& printer) {
            outputNamesFound << printer.outputFileName();
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(dir.filePath(pdf));
        };

        const bool printed = pageSetupAnswer && printAnswer && messages.isEmpty();
        QCOMPARE(output::printPicture(composedPicture()), printed);
        QCOMPARE(fake->pageSetupCalls, 1);
        QCOMPARE(fake->printDialogCalls, pageSetupAnswer ? 1 : 0);
        QCOMPARE(fake->messages, messages);
        const QString bytes = QString::fromLatin1(readAll(dir.filePath(pdf)));
        static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![s\\w])"));
        QCOMPARE(bytes.count(page), printed ? 1 : 0);
        if (!printed) return;
        // A second job gets a new printer: one kept from the first would still name its PDF.
        QVERIFY(output::printPicture(composedPicture()));
        QCOMPARE(outputNamesFound, (QStringList { QString(), QString() }));
    }
};

QTEST_MAIN(TestOutput)
#include "test_output.moc"
