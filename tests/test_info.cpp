// The About and support windows.
#include "info/AboutWindow.h"
#include "info/SupportWindow.h"
#include "support/FakeDialogs.h"

#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QPointer>
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

    // The program's name in bold; the application's version, else the build's (the
    // project's version), in a new window even before the closed one is deleted.
    void aboutVersion()
    {
        for (const QString& version : { QStringLiteral("2.5.1"), QString() }) {
            QCoreApplication::setApplicationVersion(version);
            auto* about = static_cast<window_app_About*>(show(false));
            QVERIFY(about->findChild<QLabel*>(QStringLiteral("StaticText_SoftName"))->font().bold());
            QCOMPARE(about->StaticText_type->text(), version.isEmpty() ? QStringLiteral(VOLETA_VERSION_TEXT) : version);
            QVERIFY(about->close());
        }
    }

    // Under the pointer the About link turns bold and a support link red, both turning back
    // when it leaves; a click on a link opens its address, except on the e-mail address; a
    // copy button copies its field's whole text.
    void links_data()
    {
        QTest::addColumn<bool>("support");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QColor>("colour"); // under the pointer, always bold; invalid: not checked
        QTest::addColumn<QUrl>("url"); // empty: nothing opens
        QTest::addColumn<QString>("copied");
        const QString none;
        QTest::newRow("About: web page") << false << "StaticText2" << QColor(0, 0, 255)
                                         << QUrl("https://voleta.example.org/") << none;
        QTest::newRow("donation page") << true << "url_1" << QColor(255, 0, 0)
                                       << QUrl("https://shareware.example.com/donate/voleta") << none;
        QTest::newRow("e-mail address") << true << "url_3" << QColor() << QUrl() << none;
        QTest::newRow("copy the bank's name") << true << "cp_2" << QColor() << QUrl() << QStringLiteral("サンプル銀行");
    }
    void links()
    {
        QFETCH(bool, support);
        QFETCH(QString, name);
        QFETCH(QColor, colour);
        QFETCH(QUrl, url);
        ScopedFakeDialogs fake;
        QWidget* link = show(support)->findChild<QWidget*>(name);
        if (colour.isValid()) {
            const bool bold = link->font().bold();
            const QColor normal = link->palette().color(QPalette::WindowText);
            QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
            QCoreApplication::sendEvent(link, &enter);
            QVERIFY(link->font().bold());
            QCOMPARE(link->palette().color(QPalette::WindowText), colour);
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(link, &leave);
            QCOMPARE(link->font().bold(), bold);
            QCOMPARE(link->palette().color(QPalette::WindowText), normal);
        }
        QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(fake->openedUrls, url.isEmpty() ? QList<QUrl>() : QList<QUrl> { url });
        QTEST(fake->clipboard, "copied");
    }

    // The support window's fields and copy buttons each have a place of their own; Return closes the window,
    // and shown again it is back at 50 from the top.
    void supportWindow()
    {
        QWidget* w = show(true);
        for (const char* group : { "field_", "cp_" })
            for (int i = 0; i < 9; ++i)
                for (int j = i + 1; j < 9; ++j) {
                    const QRect a = w->findChild<QWidget*>(group + QString::number(i))->geometry();
                    QVERIFY2(!a.intersects(w->findChild<QWidget*>(group + QString::number(j))->geometry()),
                        qPrintable(QStringLiteral("%1%2 and %3").arg(group).arg(i).arg(j)));
                }
        w->hide();
        w->move(w->x(), 120);
        w->show();
        QCOMPARE(w->geometry().top(), 50);
        const QPointer<QWidget> window(w);
        QTest::keyClick(w, Qt::Key_Return);
        QTRY_VERIFY(!window || !window->isVisible());
    }
};

QTEST_MAIN(TestInfo)
#include "test_info.moc"
