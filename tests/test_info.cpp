// The About and support windows.
#include "info/AboutWindow.h"
#include "info/SupportWindow.h"
#include "support/FakeDialogs.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

namespace {

QWidget* show(bool support)
{
    if (support) {
        window_app_kanpa::showSupport();
        return window_app_kanpa::instance();
    }
    window_app_About::showAbout();
    return window_app_About::instance();
}

} // namespace

class TestInfo : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The application's version, else the build's (the project's version), in a new window even before the closed one
    // is deleted.
    void aboutVersion()
    {
        for (const QString& version : { QStringLiteral("2.5.1"), QString() }) {
            QCoreApplication::setApplicationVersion(version);
            auto* about = static_cast<window_app_About*>(show(false));
            QCOMPARE(about->StaticText_type->text(), version.isEmpty() ? QStringLiteral(VOLETA_VERSION_TEXT) : version);
            QVERIFY(about->close());
        }
    }

    // A click on a link opens its address, except on the e-mail address; a copy button
    // copies its field's whole text.
    void clicks_data()
    {
        QTest::addColumn<bool>("support");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QUrl>("url"); // empty: nothing opens
        QTest::addColumn<QString>("copied");
        const QString none;
        QTest::newRow("About: web page") << false << "StaticText2" << QUrl("https://voleta.example.org/") << none;
        QTest::newRow("online bank") << true << "url_0" << QUrl("https://netbank.example.com/") << none;
        QTest::newRow("donation page") << true << "url_1" << QUrl("https://shareware.example.com/donate/voleta")
                                       << none;
        QTest::newRow("shareware site") << true << "url_2" << QUrl("https://shareware.example.com/") << none;
        QTest::newRow("e-mail address") << true << "url_3" << QUrl() << none;
        const QStringList copied { "00000-0-000000", "ボレタ・サンプル", "サンプル銀行", "見本支店", "000", "0000000",
            "ボレタ・サンプル", "000", "0000000" };
        for (int i = 0; i < copied.size(); ++i)
            QTest::addRow("copy field %d", i) << true << QString("cp_%1").arg(i) << QUrl() << copied[i];
    }
    void clicks()
    {
        QFETCH(bool, support);
        QFETCH(QString, name);
        QFETCH(QUrl, url);
        ScopedFakeDialogs fake;
        QTest::mouseClick(show(support)->findChild<QWidget*>(name), Qt::LeftButton);
        QCOMPARE(fake->openedUrls, url.isEmpty() ? QList<QUrl>() : QList<QUrl> { url });
        QTEST(fake->clipboard, "copied");
    }
};

QTEST_MAIN(TestInfo)
#include "test_info.moc"
