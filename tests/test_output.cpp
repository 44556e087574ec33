// Saving the composed picture as a JPEG or PNG file, and the printed and previewed page.
#include "main_window/SaveAndPrint.h"
#include "support/FakeDialogs.h"
#include "support/Files.h"

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QPrinter>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>

namespace {

using testing::readFile;

const QString kCannotSave = QStringLiteral("画像を保存できませんでした\n");

} // namespace

class TestOutput : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The wait cursor shows while the file is written, and only then. A save that does not complete leaves the
    // folder as it was (an earlier "sky_3D.jpg" and a subfolder "taken"), no temporary file beside them, and says
    // why. An `error` is given to the writer instead, for failures a test cannot cause on disk.
    void save_data()
    {
        QTest::addColumn<QString>("target"); // empty: the save dialog is cancelled
        QTest::addColumn<int>("error"); // -1: written for real; -2: an empty picture
        QTest::addColumn<QString>("reason"); // empty: saved (or cancelled)
        QTest::newRow("cancelled") << QString() << -1 << QString();
        QTest::newRow("new file, non-ASCII name") << "富士_3D.jpg" << -1 << QString();
        QTest::newRow("replaces the earlier file") << "sky_3D.jpg" << -1 << QString();
        QTest::newRow("folder that does not exist") << "missing/sky_3D.jpg" << -1 << "保存先のフォルダがありません";
        QTest::newRow("path is a folder") << "taken" << -1 << QStringLiteral("この名前のファイルは作れません");
        QTest::newRow("encoder fails after opening") << "sky_3D.jpg" << -2 << "書き込みに失敗しました";
        QTest::newRow("EACCES") << "x.jpg" << EACCES << QStringLiteral("この場所に書き込む権限がありません");
    }
    void save()
    {
        QFETCH(QString, target);
        QFETCH(int, error);
        QFETCH(QString, reason);
        const bool saved = !target.isEmpty() && reason.isEmpty();
        QTemporaryDir dir;
        QFile earlier(dir.filePath(QStringLiteral("sky_3D.jpg")));
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier") == 7);
        earlier.close();
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("taken")));
        ScopedFakeDialogs fake;
        fake->saveAnswer = target.isEmpty() ? QString() : QDir(dir.path()).filePath(target);
        int cursor = -1; // the cursor's shape while the file is written
        const output::PictureWriter writer = [&](const QImage& p, const QString& path, output::PictureFormat format) {
            cursor = QGuiApplication::overrideCursor() ? QGuiApplication::overrideCursor()->shape() : -1;
            if (error < 0) return output::writePictureFile(p, path, format);
            const platform::FailureKind kind = platform::failureFromErrno(error, platform::FailureKind::WriteFailed);
            return std::optional(platform::Failure { kind, path, QString() });
        };
        const QImage picture(error == -2 ? QImage() : QImage(8, 8, QImage::Format_RGB32));
        QCOMPARE(output::savePicture(picture, QStringLiteral("sky_3D.jpg"), writer), saved);
        QCOMPARE(fake->messages, reason.isEmpty() ? QStringList() : QStringList { kCannotSave + reason });
        QCOMPARE(cursor, target.isEmpty() ? -1 : int(Qt::WaitCursor));
        QVERIFY(!QGuiApplication::overrideCursor());
        QStringList entries { QStringLiteral("sky_3D.jpg"), QStringLiteral("taken") };
        if (saved && !entries.contains(target)) entries << target;
        entries.sort();
        QCOMPARE(
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name), entries);
        if (saved)
            QCOMPARE(QImageReader(dir.filePath(target)).format(), QByteArray("jpeg"));
        else
            QCOMPARE(readFile(earlier.fileName()), QByteArray("earlier"));
    }

    // The format follows a typed extension first, then the chosen filter, whose extensions the dialog gives to a
    // name typed without one. The file holds it, and PNG gives back every pixel.
    void savedFormat_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<bool>("png");
        const QString jpeg = output::kJpegFilter, png = output::kPngFilter;
        QTest::newRow("PNG in capitals") << "X.PNG" << jpeg << true;
        QTest::newRow("no extension, PNG filter") << "x" << png << true;
        QTest::newRow("no extension, JPEG filter") << "x" << jpeg << false;
        QTest::newRow("png only in the folder") << "d.png/x" << jpeg << false;
    }
    void savedFormat()
    {
        QFETCH(QString, name);
        QFETCH(QString, filter);
        QFETCH(bool, png);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QFileInfo(name).path()));
        ScopedFakeDialogs fake;
        fake->saveAnswer = dir.filePath(name);
        fake->saveFilter = filter;
        QImage picture(256, 128, QImage::Format_RGB888);
        QRandomGenerator(1).fillRange(reinterpret_cast<quint32*>(picture.bits()), picture.sizeInBytes() / 4);
        picture.convertTo(QImage::Format_RGB32);
        QVERIFY(output::savePicture(picture, QStringLiteral("x_3D.jpg")));
        QCOMPARE(fake->offeredFilters, (QList<QStringList> { { output::kJpegFilter, output::kPngFilter } }));
        QCOMPARE(platform::filterSuffixes(filter),
            (filter == output::kPngFilter ? QStringList { "png" } : QStringList { "jpg", "jpeg" }));
        QCOMPARE(QImageReader(fake->saveAnswer).format(), png ? QByteArray("png") : QByteArray("jpeg"));
        if (png) QCOMPARE(QImage(fake->saveAnswer).convertToFormat(QImage::Format_RGB32), picture);
    }

    // The suggested name: the source picture's name up to its first dot, the three trimmed lines, "_3D.jpg"; what
    // a file name cannot hold is replaced.
    void suggestedNames_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("name");
        QTest::newRow("cut at the first dot") << "a.b.jpg" << QStringList { "1.5", "", "" } << "a1.5_3D.jpg";
        QTest::newRow("full-width spaces trimmed, inner one kept")
            << QStringLiteral("富士山.jpg")
            << QStringList { QStringLiteral("\u3000立体\u3000視\u3000"), "", QStringLiteral("\u3000") }
            << QStringLiteral("富士山立体\u3000視_3D.jpg");
        QTest::newRow("slash, newline and NUL replaced")
            << "sky.jpg" << QStringList { "1/2", QStringLiteral("a\nb"), QStringLiteral("c") + QChar(0) }
            << "sky1_2a_bc__3D.jpg";
    }
    void suggestedNames()
    {
        QFETCH(QString, source);
        QFETCH(QStringList, lines);
        QTEST(output::suggestedJpegName(source, lines[0], lines[1], lines[2]), "name");
    }

    // Printing asks for the page set-up, then the print dialog; a cancelled set-up ends it quietly, a printer that
    // cannot start says so. Each job gets a new printer.
    void print_data()
    {
        QTest::addColumn<bool>("pageSetupAnswer");
        QTest::addColumn<QString>("pdf");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("one page") << true << "page.pdf" << QStringList();
        QTest::newRow("page setup cancelled") << false << "page.pdf" << QStringList();
        QTest::newRow("printer cannot start")
            << true << "missing/page.pdf" << QStringList { QStringLiteral("印刷できませんでした") };
    }
    void print()
    {
        QFETCH(bool, pageSetupAnswer);
        QFETCH(QString, pdf);
        QFETCH(QStringList, messages);
        QTemporaryDir dir;
        ScopedFakeDialogs fake;
        fake->pageSetupAnswer = pageSetupAnswer;
        QStringList namesFound;
        fake->preparePrinter = [&](QPrinter& printer) {
            namesFound << printer.outputFileName();
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(dir.filePath(pdf));
        };
        QImage picture(1920, 1280, QImage::Format_RGB32);
        picture.fill(Qt::red);
        const bool printed = pageSetupAnswer && messages.isEmpty();
        QCOMPARE(output::printPicture(picture), printed);
        QCOMPARE(fake->printDialogCalls, pageSetupAnswer ? 1 : 0);
        QCOMPARE(fake->messages, messages);
        static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![s\\w])"));
        QCOMPARE(QString::fromLatin1(readFile(dir.filePath(pdf))).count(page), printed ? 1 : 0);
        if (!printed) return;
        QVERIFY(output::printPicture(picture));
        QCOMPARE(namesFound, (QStringList { QString(), QString() }));
    }
};

QTEST_MAIN(TestOutput)
#include "test_output.moc"
