// Installs the build into a temporary prefix with `cmake --install` and runs the
// installed programs from there; checks the desktop entry and the AppStream metadata
// with the desktop's own validators when they are installed.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Result {
    int code = -1;
    QString out, err;
};

// Runs a program with no display at all: what the installed programs must cope with.
Result runHeadless(const QString& program, const QStringList& args, const QString& home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(120000)) p.kill();
    return { p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
        QString::fromUtf8(p.readAllStandardError()) };
}

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

const QString kAppId = QStringLiteral(VOLETA_APP_ID);

} // namespace

class TestInstall : public QObject {
    Q_OBJECT
    QTemporaryDir prefix, home;
    QString at(const QString& relative) const { return prefix.filePath(relative); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(prefix.isValid() && home.isValid());
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(QStringLiteral(VOLETA_CMAKE_COMMAND),
            { "--install", QStringLiteral(VOLETA_BUILD_DIR), "--prefix", prefix.path() });
        QVERIFY(install.waitForFinished(120000));
        QVERIFY2(install.exitCode() == 0, install.readAll().constData());
    }

    // Each installed file; what the desktop entry and the metadata must hold (the names
    // the desktop looks up: the program, the icon, the entry), and that they validate.
    void installedFiles_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("executable");
        QTest::addColumn<QStringList>("holds");
        QTest::addColumn<QStringList>("validator"); // run on the file when installed
        QTest::newRow("the program") << "bin/voleta" << true << QStringList() << QStringList();
        QTest::newRow("the headless renderer") << "bin/voleta-render" << true << QStringList() << QStringList();
        QTest::newRow("desktop entry") << "share/applications/" + kAppId + ".desktop" << false
                                       << QStringList { "\nExec=voleta\n", "\nIcon=" + kAppId + "\n",
                                              "\nType=Application\n", "\nCategories=Graphics;" }
                                       << QStringList { "desktop-file-validate" };
        QTest::newRow("metainfo") << "share/metainfo/" + kAppId + ".metainfo.xml" << false
                                  << QStringList { "<id>" + kAppId + "</id>",
                                         "<launchable type=\"desktop-id\">" + kAppId + ".desktop</launchable>",
                                         "<release version=\"" VOLETA_PROJECT_VERSION "\"",
                                         "<summary xml:lang=\"ja\">" }
                                  << QStringList { "appstreamcli", "validate", "--no-net" };
        QTest::newRow("man page voleta(1)") << "share/man/man1/voleta.1.gz" << false << QStringList() << QStringList();
        QTest::newRow("man page voleta-render(1)")
            << "share/man/man1/voleta-render.1.gz" << false << QStringList() << QStringList();
        QTest::newRow("copyright") << "share/doc/voleta/copyright" << false << QStringList() << QStringList();
        QTest::newRow("changelog") << "share/doc/voleta/changelog.gz" << false << QStringList() << QStringList();
    }
    void installedFiles()
    {
        QFETCH(QString, path);
        QFETCH(QStringList, holds);
        const QFileInfo info(at(path));
        QVERIFY2(info.isFile() && info.size() > 0, qPrintable(path));
        QTEST(info.isExecutable(), "executable");
        const QString text = holds.isEmpty() ? QString() : readText(at(path));
        for (const QString& part : holds)
            QVERIFY2(text.contains(part), qPrintable(part));
        QFETCH(QStringList, validator);
        const QString program = validator.isEmpty() ? QString() : QStandardPaths::findExecutable(validator[0]);
        if (program.isEmpty()) return; // ./run package installs the validators
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, validator.mid(1) << at(path));
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0, p.readAll().constData());
    }

    // Every bundled picture, byte for byte, in both sample folders.
    void samples_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("patterns") << QStringLiteral("画像フォルダ");
        QTest::newRow("terrain maps") << QStringLiteral("背景フォルダ");
    }
    void samples()
    {
        QFETCH(QString, folder);
        const QDir source(QStringLiteral(VOLETA_SOURCE_DIR "/samples/") + folder);
        const QDir installed(at(QStringLiteral("share/voleta/samples/") + folder));
        const QStringList names = source.entryList(QDir::Files, QDir::Name);
        QVERIFY(!names.isEmpty());
        QCOMPARE(installed.entryList(QDir::Files, QDir::Name), names);
        for (const QString& name : names) {
            QFile a(source.filePath(name)), b(installed.filePath(name));
            QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
            QVERIFY2(a.readAll() == b.readAll(), qPrintable(name));
        }
    }

    // The icon at each hicolor size: the right size, transparent corners, an opaque
    // middle (the dark overlap of the two lenses).
    void icons_data()
    {
        QTest::addColumn<int>("size");
        for (int size : { 16, 32, 48, 64, 128, 256 })
            QTest::addRow("%dx%d", size, size) << size;
    }
    void icons()
    {
        QFETCH(int, size);
        const QImage icon(at(QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(kAppId)));
        QCOMPARE(icon.size(), QSize(size, size));
        for (const QPoint corner : { QPoint(0, 0), QPoint(size - 1, size - 1) })
            QCOMPARE(qAlpha(icon.pixel(corner)), 0);
        QCOMPARE(qAlpha(icon.pixel(size * 64 / 128, size * 90 / 128)), 255);
    }

    // The installed programs start from the prefix with no display, answer the command
    // line, and make nothing in the user's home.
    void programs_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out"); // a line stdout must hold
        QTest::addColumn<QString>("err"); // a text stderr must hold
        const QString version = QStringLiteral("Voleta " VOLETA_PROJECT_VERSION);
        QTest::newRow("voleta --version") << "voleta" << QStringList { "--version" } << 0 << version << "";
        QTest::newRow("voleta -v") << "voleta" << QStringList { "-v" } << 0 << version << "";
        QTest::newRow("toolkit option before --version")
            << "voleta" << QStringList { "-platform", "offscreen", "--version" } << 0 << version << "";
        QTest::newRow("unknown option refused before any window")
            << "voleta" << QStringList { "-platform", "offscreen", "--bogus" } << 1 << ""
            << "'bogus'"; // worded by Qt, in the user's language
        QTest::newRow("stray argument refused before any window")
            << "voleta" << QStringList { "-platform", "offscreen", "picture.jpg" } << 1 << ""
            << "voleta: unexpected argument 'picture.jpg'";
        const QString sample = at(QStringLiteral("share/voleta/samples/画像フォルダ/01_confetti.jpg"));
        QTest::newRow("voleta-render from a sample")
            << "voleta-render" << QStringList { "--pattern", sample, "-o", home.filePath("out.png") } << 0 << ""
            << "";
    }
    void programs()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const Result r = runHeadless(at(QStringLiteral("bin/") + program), args, home.path());
        QVERIFY2(r.code == code, qPrintable(r.err));
        if (!out.isEmpty()) QVERIFY2(r.out.split(QLatin1Char('\n')).contains(out), qPrintable(r.out));
        if (!err.isEmpty()) QVERIFY2(r.err.contains(err), qPrintable(r.err));
        const QString picture = home.filePath("out.png");
        if (args.contains(picture)) {
            QCOMPARE(QImage(picture).size(), QSize(1920, 1280));
            QVERIFY(QFile::remove(picture));
        }
        // Nothing else was made in the user's home: no window, no folders.
        QCOMPARE(QDir(home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "test_install.moc"
