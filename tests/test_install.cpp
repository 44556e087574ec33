// Installs the build into a temporary prefix with `cmake --install` and runs the
// installed programs from there, with no display; checks the desktop entry and the
// AppStream metadata with the desktop's own validators when they are installed.
#include "support/Files.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

static const QString kAppId = QStringLiteral(VOLETA_APP_ID);

class TestInstall : public QObject {
    Q_OBJECT
    QTemporaryDir prefix, home;

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

    // Each installed file: what the desktop entry and the metadata must hold (the names
    // the desktop looks up: the program, the icon, the entry) and that they validate;
    // every bundled sample picture byte for byte.
    void installedFiles_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("holds");
        QTest::addColumn<QStringList>("validator"); // run on the file when installed
        const auto row = [](const QString& path, const QStringList& holds = {}, const QStringList& validator = {}) {
            QTest::newRow(qPrintable(path)) << path << holds << validator;
        };
        row("share/applications/" + kAppId + ".desktop",
            { "\nExec=voleta %f\n", "\nIcon=" + kAppId + "\n", "\nType=Application\n", "\nCategories=Graphics;",
                "\nMimeType=application/x-voleta-scene;\n" },
            { "desktop-file-validate" });
        row("share/metainfo/" + kAppId + ".metainfo.xml",
            { "<id>" + kAppId + "</id>", "<launchable type=\"desktop-id\">" + kAppId + ".desktop</launchable>",
                "<release version=\"" VOLETA_PROJECT_VERSION "\"", "<summary xml:lang=\"ja\">",
                "<mediatype>application/x-voleta-scene</mediatype>" },
            { "appstreamcli", "validate", "--no-net" });
        row("share/mime/packages/" + kAppId + ".xml",
            { "<mime-type type=\"application/x-voleta-scene\">", "<glob pattern=\"*.voleta\"/>",
                "<sub-class-of type=\"application/json\"/>", "<comment xml:lang=\"ja\">" },
            { "xmllint", "--noout" });
        for (const char* path : { "bin/voleta", "bin/voleta-render", "share/man/man1/voleta.1.gz",
                 "share/man/man1/voleta-render.1.gz", "share/doc/voleta/copyright", "share/doc/voleta/changelog.gz" })
            row(path);
        for (int size : { 16, 32, 48, 64, 128, 256 })
            row(QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(kAppId));
        for (const QString& folder : { QStringLiteral("画像フォルダ"), QStringLiteral("背景フォルダ") }) {
            const QDir samples(QStringLiteral(VOLETA_SOURCE_DIR "/samples/") + folder);
            QVERIFY(!samples.isEmpty());
            for (const QString& name : samples.entryList(QDir::Files))
                row("share/voleta/samples/" + folder + "/" + name);
        }
    }
    void installedFiles()
    {
        QFETCH(QString, path);
        QFETCH(QStringList, holds);
        QFETCH(QStringList, validator);
        const QFileInfo info(prefix.filePath(path));
        QVERIFY(info.isFile() && info.size() > 0);
        QCOMPARE(info.isExecutable(), path.startsWith("bin/"));
        const QByteArray bytes = testing::readFile(info.filePath());
        if (path.contains("/samples/"))
            QVERIFY(bytes == testing::readFile(QStringLiteral(VOLETA_SOURCE_DIR "/samples/") + path.section('/', 3)));
        for (const QString& part : holds)
            QVERIFY2(QString::fromUtf8(bytes).contains(part), qPrintable(part));
        const QString program = validator.isEmpty() ? QString() : QStandardPaths::findExecutable(validator[0]);
        if (program.isEmpty()) return; // ./run package installs the validators
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, validator.mid(1) << info.filePath());
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0, p.readAll().constData());
    }

    // The installed programs start from the prefix with no display, answer the command
    // line, and make nothing in the user's home.
    void programs_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("says"); // on stdout or stderr
        QTest::newRow("toolkit option before --version")
            << "voleta" << QStringList { "-platform", "offscreen", "-v" } << 0 << "Voleta " VOLETA_PROJECT_VERSION "\n";
        QTest::newRow("--version alone") << "voleta" << QStringList { "--version" } << 0
                                         << "Voleta " VOLETA_PROJECT_VERSION "\n";
        QTest::newRow("stray argument refused before any window")
            << "voleta" << QStringList { "-platform", "offscreen", "picture.jpg" } << 1
            << "voleta: unexpected argument 'picture.jpg'";
        const QString sample = prefix.filePath("share/voleta/samples/画像フォルダ/01_confetti.jpg");
        QTest::newRow("voleta-render from a sample")
            << "voleta-render" << QStringList { "--pattern", sample, "-o", home.filePath("out.png") } << 0 << "";
    }
    void programs()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, args);
        QFETCH(QString, says);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
            env.remove(QString::fromLatin1(name));
        env.insert("HOME", home.path());
        env.insert("XDG_DATA_HOME", home.filePath(".local/share"));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(prefix.filePath("bin/" + program), args);
        QVERIFY(p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit);
        const QString said = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        QVERIFY2(said.contains(says), qPrintable(said));
        QTEST(p.exitCode(), "code");
        // Nothing made in the user's home but the picture asked for: no window, no folders.
        if (program == "voleta-render") QVERIFY(QDir(home.path()).remove("out.png"));
        QCOMPARE(QDir(home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "test_install.moc"
