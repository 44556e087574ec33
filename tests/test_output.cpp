// Saving the composed picture as a JPEG file and printing it.
#include "main_window/SaveAndPrint.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A 1920 x 1280 picture, red on the left half and blue on the right.
QImage composedPicture()
{
    QImage picture(1920, 1280, QImage::Format_RGB32);
    picture.fill(QColor(220, 20, 20));
    for (int y = 0; y < picture.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 960; x < picture.width(); ++x)
            row[x] = qRgb(20, 20, 220);
    }
    return picture;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int pdfPageCount(const QByteArray& pdf)
{
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![s\\w])"));
    return int(QString::fromLatin1(pdf).count(page));
}

} // namespace

class TestOutput : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void suggestedName_data();
    void suggestedName();
    void saveCancelled();
    void saveWritesWholePicture();
    void saveFailure_data();
    void saveFailure();
    void failedSaveKeepsEarlierFile();
    void printRectangle_data();
    void printRectangle();
    void printsOnePage();
    void printerIsFreshEachTime();
    void printCancelled_data();
    void printCancelled();
    void printFailure();
};

void TestOutput::suggestedName_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char* name, const QString& source, const QStringList& lines, const QString& expected) {
        QTest::newRow(name) << source << lines << expected;
    };
    // clang-format off
    row("lines trimmed and joined", "fuji.jpg", { "Hello", "", " World " }, "fujiHelloWorld_3D.jpg");
    row("cut at the first dot, not the last", "a.b.jpg", { "", "", "" }, "a_3D.jpg");
    row("no dot: whole name", "photo", { "X", "", "" }, "photoX_3D.jpg");
    row("dot first: whole name", ".sky.jpg", { "X", "", "" }, ".sky.jpgX_3D.jpg");
    row("all lines empty", "sky.jpg", { "", "", "" }, "sky_3D.jpg");
    row("blank inside a line kept", "sky.jpg", { "  New York ", "", "" }, "skyNew York_3D.jpg");
    row("full-width spaces trimmed, inner one kept", "富士山.jpg",
        { QStringLiteral("\u3000立体\u3000視\u3000"), "", QStringLiteral("\u3000") },
        QStringLiteral("富士山立体\u3000視_3D.jpg"));
    row("lines only blanks", "sky.jpg", { "   ", "\t", " " }, "sky_3D.jpg");
    row("slash replaced", "sky.jpg", { "1/2", "", "../x" }, "sky1_2.._x_3D.jpg");
    row("newline inside a line replaced", "sky.jpg", { "a\nb", "", "" }, "skya_b_3D.jpg");
    row("NUL replaced", "sky.jpg", { QStringLiteral("a") + QChar(0) + QStringLiteral("b"), "", "" }, "skya_b_3D.jpg");
    row("empty source name", "", { "X", "", "" }, "X_3D.jpg");
    // clang-format on
}

void TestOutput::suggestedName()
{
    QFETCH(QString, source);
    QFETCH(QStringList, lines);
    QFETCH(QString, expected);
    QCOMPARE(output::suggestedJpegName(source, lines[0], lines[1], lines[2]), expected);
}

void TestOutput::saveCancelled()
{
    QTemporaryDir dir;
    platform::ScopedFakeDialogs fake;
    fake->saveAnswer = QString();

    QVERIFY(!output::saveJpeg(composedPicture(), QStringLiteral("sky_3D.jpg")));
    QCOMPARE(fake->suggestedNames, QStringList { QStringLiteral("sky_3D.jpg") });
    QVERIFY(fake->messages.isEmpty());
    QVERIFY(QDir(dir.path()).isEmpty());
}

void TestOutput::saveWritesWholePicture()
{
    QTemporaryDir dir;
    platform::ScopedFakeDialogs fake;
    const QString path = dir.filePath(QStringLiteral("富士HelloWorld_3D.jpg"));
    fake->saveAnswer = path;

    QVERIFY(output::saveJpeg(composedPicture(), QStringLiteral("富士HelloWorld_3D.jpg")));
    QVERIFY(fake->messages.isEmpty());

    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("jpeg"));
    QCOMPARE(reader.size(), QSize(1920, 1280));
    const QImage saved = reader.read();
    QVERIFY(!saved.isNull());
    // Both halves survive, so the whole picture was written unscaled.
    const QColor left = saved.pixelColor(100, 640);
    const QColor right = saved.pixelColor(1820, 640);
    QVERIFY2(left.red() > 180 && left.blue() < 60, qPrintable(left.name()));
    QVERIFY2(right.blue() > 180 && right.red() < 60, qPrintable(right.name()));
    // Only the picture is left in the folder: no temporary file.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

void TestOutput::saveFailure_data()
{
    QTest::addColumn<QString>("relativePath");
    QTest::newRow("folder that does not exist") << "missing/sky_3D.jpg";
    QTest::newRow("path is a folder") << "taken";
}

void TestOutput::saveFailure()
{
    QFETCH(QString, relativePath);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("taken")));
    platform::ScopedFakeDialogs fake;
    const QString path = dir.filePath(relativePath);
    fake->saveAnswer = path;

    QVERIFY(!output::saveJpeg(composedPicture(), QStringLiteral("sky_3D.jpg")));
    QCOMPARE(fake->messages.size(), 1);
    QVERIFY2(fake->messages.first().startsWith(QStringLiteral("画像を保存できませんでした\n")),
        qPrintable(fake->messages.first()));
    QVERIFY(!QFileInfo(path).isFile());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList { QStringLiteral("taken") });
}

// The encoder fails after the file was opened: the earlier file must survive whole.
void TestOutput::failedSaveKeepsEarlierFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sky_3D.jpg"));
    const QByteArray earlier = "an earlier picture";
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(earlier);
    }
    platform::ScopedFakeDialogs fake;
    fake->saveAnswer = path;

    QVERIFY(!output::saveJpeg(QImage(), QStringLiteral("sky_3D.jpg")));
    QCOMPARE(fake->messages.size(), 1);
    QVERIFY(fake->messages.first().startsWith(QStringLiteral("画像を保存できませんでした")));
    QCOMPARE(readAll(path), earlier);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("sky_3D.jpg") });
}

void TestOutput::printRectangle_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("600 wide") << 600 << QRect(0, 0, 600, 400);
    QTest::newRow("700 wide: 466.67 rounded down") << 700 << QRect(0, 0, 700, 466);
    QTest::newRow("1000 wide: 666.67 rounded down") << 1000 << QRect(0, 0, 1000, 666);
}

void TestOutput::printRectangle()
{
    QFETCH(int, width);
    QFETCH(QRect, expected);
    QCOMPARE(output::printRect(width), expected);
}

void TestOutput::printsOnePage()
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
    platform::ScopedFakeDialogs fake;
    fake->preparePrinter = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
    };

    QVERIFY(output::printPicture(composedPicture()));
    QCOMPARE(fake->pageSetupCalls, 1);
    QCOMPARE(fake->printDialogCalls, 1);
    QVERIFY(fake->messages.isEmpty());
    const QByteArray bytes = readAll(pdf);
    QVERIFY(bytes.startsWith("%PDF"));
    QCOMPARE(pdfPageCount(bytes), 1);
}

void TestOutput::printerIsFreshEachTime()
{
    QTemporaryDir dir;
    platform::ScopedFakeDialogs fake;
    QStringList outputNamesFound;
    int job = 0;
    fake->preparePrinter = [&](QPrinter& printer) {
        outputNamesFound << printer.outputFileName();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("job%1.pdf").arg(++job)));
    };

    QVERIFY(output::printPicture(composedPicture()));
    QVERIFY(output::printPicture(composedPicture()));
    // A printer kept from the first job would still name the first PDF.
    QCOMPARE(outputNamesFound, (QStringList { QString(), QString() }));
    QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("job2.pdf"))));
}

void TestOutput::printCancelled_data()
{
    QTest::addColumn<bool>("pageSetupAnswer");
    QTest::addColumn<bool>("printAnswer");
    QTest::addColumn<int>("printDialogCalls");
    QTest::newRow("page setup cancelled") << false << true << 0;
    QTest::newRow("print dialog cancelled") << true << false << 1;
}

void TestOutput::printCancelled()
{
    QFETCH(bool, pageSetupAnswer);
    QFETCH(bool, printAnswer);
    QFETCH(int, printDialogCalls);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
    platform::ScopedFakeDialogs fake;
    fake->pageSetupAnswer = pageSetupAnswer;
    fake->printAnswer = printAnswer;
    fake->preparePrinter = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
    };

    QVERIFY(!output::printPicture(composedPicture()));
    QCOMPARE(fake->pageSetupCalls, 1);
    QCOMPARE(fake->printDialogCalls, printDialogCalls);
    QVERIFY(fake->messages.isEmpty());
    QVERIFY(!QFileInfo::exists(pdf));
}

void TestOutput::printFailure()
{
    QTemporaryDir dir;
    platform::ScopedFakeDialogs fake;
    fake->preparePrinter = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("missing/page.pdf")));
    };

    QVERIFY(!output::printPicture(composedPicture()));
    QCOMPARE(fake->messages, QStringList { QStringLiteral("印刷できませんでした") });
}

QTEST_MAIN(TestOutput)
#include "test_output.moc"
