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

    void installedFiles_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("executable");
        QTest::newRow("the program") << "bin/voleta" << true;
        QTest::newRow("the headless renderer") << "bin/voleta-render" << true;
        QTest::newRow("desktop entry named by the id") << "share/applications/" + kAppId + ".desktop" << false;
        QTest::newRow("metainfo named by the id") << "share/metainfo/" + kAppId + ".metainfo.xml" << false;
        QTest::newRow("man page voleta(1)") << "share/man/man1/voleta.1.gz" << false;
        QTest::newRow("man page voleta-render(1)") << "share/man/man1/voleta-render.1.gz" << false;
        QTest::newRow("copyright") << "share/doc/voleta/copyright" << false;
        QTest::newRow("changelog") << "share/doc/voleta/changelog.gz" << false;
    }
    void installedFiles()
    {
        QFETCH(QString, path);
        QFETCH(bool, executable);
        const QFileInfo info(at(path));
        QVERIFY2(info.isFile() && info.size() > 0, qPrintable(path));
        QCOMPARE(info.isExecutable(), executable);
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

    // The icon at each hicolor size: square, the right size, transparent corners, an
    // opaque middle (the dark overlap of the two lenses).
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
        QVERIFY(icon.hasAlphaChannel());
        for (const QPoint corner :
            { QPoint(0, 0), QPoint(size - 1, 0), QPoint(0, size - 1), QPoint(size - 1, size - 1) })
            QCOMPARE(qAlpha(icon.pixel(corner)), 0);
        QCOMPARE(qAlpha(icon.pixel(size * 64 / 128, size * 90 / 128)), 255);
    }

    void programs_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out"); // a line stdout must hold
        QTest::addColumn<QString>("err"); // a text stderr must hold
        QTest::newRow("voleta --version")
            << "voleta" << QStringList { "--version" } << 0 << "Voleta " VOLETA_PROJECT_VERSION << "";
        QTest::newRow("voleta -v") << "voleta" << QStringList { "-v" } << 0 << "Voleta " VOLETA_PROJECT_VERSION << "";
        QTest::newRow("voleta --help") << "voleta" << QStringList { "--help" } << 0
                                       << "  -v, --version  Displays version information."
                                       << "";
        QTest::newRow("toolkit option before --version")
            << "voleta" << QStringList { "-platform", "offscreen", "--version" } << 0
            << "Voleta " VOLETA_PROJECT_VERSION << "";
        QTest::newRow("unknown option refused before any window")
            << "voleta" << QStringList { "-platform", "offscreen", "--bogus" } << 1 << ""
            << "'bogus'"; // worded by Qt, in the user's language
        QTest::newRow("stray argument refused before any window")
            << "voleta" << QStringList { "-platform", "offscreen", "picture.jpg" } << 1 << ""
            << "voleta: unexpected argument 'picture.jpg'";
        QTest::newRow("voleta-render --help") << "voleta-render" << QStringList { "--help" } << 0 << ""
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
        if (code == 0) QVERIFY(!r.out.isEmpty());
        // Nothing was made in the user's home: no window, no folders.
        QCOMPARE(QDir(home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    }

    // The installed renderer makes a picture from an installed sample.
    void renderFromInstalledSample()
    {
        const QString output = home.filePath(QStringLiteral("out.png"));
        const Result r = runHeadless(at(QStringLiteral("bin/voleta-render")),
            { "--pattern", at(QStringLiteral("share/voleta/samples/画像フォルダ/01_confetti.jpg")), "--text1", "立体",
                "--text2", "", "--text3", "", "-o", output },
            home.path());
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(QImage(output).size(), QSize(1920, 1280));
        QFile::remove(output);
    }

    void desktopEntry()
    {
        QFile file(at("share/applications/" + kAppId + ".desktop"));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        for (const QString& line : QStringList { "Exec=voleta", "Icon=" + kAppId, "Type=Application" })
            QVERIFY2(lines.contains(line), qPrintable(line));
        const QString categories = lines.filter(QRegularExpression(QStringLiteral("^Categories="))).value(0);
        QVERIFY2(
            categories.mid(11).split(QLatin1Char(';')).contains(QStringLiteral("Graphics")), qPrintable(categories));
    }

    void metainfo()
    {
        QFile file(at("share/metainfo/" + kAppId + ".metainfo.xml"));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        const QString xml = QString::fromUtf8(file.readAll());
        for (const QString& part : QStringList { "<id>" + kAppId + "</id>",
                 "<launchable type=\"desktop-id\">" + kAppId + ".desktop</launchable>",
                 "<release version=\"" VOLETA_PROJECT_VERSION "\"", "<summary xml:lang=\"ja\">", "<content_rating" })
            QVERIFY2(xml.contains(part), qPrintable(part));
    }

    void validators_data()
    {
        QTest::addColumn<QString>("validator");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("file");
        QTest::newRow("desktop-file-validate")
            << "desktop-file-validate" << QStringList() << "share/applications/" + kAppId + ".desktop";
        QTest::newRow("appstreamcli validate")
            << "appstreamcli" << QStringList { "validate", "--no-net" } << "share/metainfo/" + kAppId + ".metainfo.xml";
    }
    void validators()
    {
        QFETCH(QString, validator);
        QFETCH(QStringList, args);
        QFETCH(QString, file);
        const QString program = QStandardPaths::findExecutable(validator);
        if (program.isEmpty())
            QSKIP(qPrintable(validator + QStringLiteral(" is not installed (./run package installs it)")));
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, args << at(file));
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0, p.readAll().constData());
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "test_install.moc"
