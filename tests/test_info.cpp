// The About and support windows.
#include "app/VoletaIcon.h"
#include "info/AboutWindow.h"
#include "info/SupportWindow.h"
#include "support/FakeDialogs.h"

#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {

QWidget* show(bool support)
{
    if (!support) {
        window_app_About::showAbout();
        return window_app_About::instance();
    }
    window_app_kanpa::showSupport();
    return window_app_kanpa::instance();
}

void hover(QWidget* widget, bool in)
{
    const QPointF centre = QRectF(widget->rect()).center();
    QEnterEvent enter(centre, widget->mapTo(widget->window(), centre), widget->mapToGlobal(centre));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(widget, in ? static_cast<QEvent*>(&enter) : &leave);
}

void deletePendingWindows()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class TestInfo : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            w->close();
        deletePendingWindows();
    }

    // White is transparent; every other pixel, the drawn middle among them, is opaque.
    void iconWhiteIsTransparent()
    {
        const QImage& icon = VoletaICon();
        QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(icon.pixel(64, 64)), 255);
        for (int y = 0; y < icon.height(); ++y)
            for (int x = 0; x < icon.width(); ++x)
                if (qAlpha(icon.pixel(x, y)) != 0) QVERIFY((icon.pixel(x, y) & 0xffffff) != 0xffffff);
    }

    // One window of each kind. Closed (the support window by its close button) and asked
    // for again at once: a new window, not the closing one; the support window opens at
    // the top.
    void singleInstance_data()
    {
        QTest::addColumn<bool>("support");
        QTest::newRow("About") << false;
        QTest::newRow("support") << true;
    }
    void singleInstance()
    {
        QFETCH(bool, support);
        QPointer<QWidget> first = show(support);
        QCOMPARE(show(support), first.data());
        first->move(first->x(), 300);
        if (support)
            QTest::mouseClick(first->findChild<QPushButton*>(QStringLiteral("PushButton1")), Qt::LeftButton);
        else
            QVERIFY(first->close());
        QVERIFY(!first->isVisible());
        QWidget* second = show(support);
        QVERIFY(second != first.data());
        deletePendingWindows();
        QVERIFY(first.isNull());
        QCOMPARE(show(support), second);
        QVERIFY(second->isVisible());
        if (support) QCOMPARE(second->geometry().top(), 50);
    }

    void aboutVersion_data()
    {
        QTest::addColumn<QString>("applicationVersion");
        QTest::addColumn<QString>("shown");
        QTest::newRow("application version set") << QString("2.5.1") << QString("2.5.1");
        QTest::newRow("none: the build's") << QString() << QString("1.996");
    }
    void aboutVersion()
    {
        QFETCH(QString, applicationVersion);
        const QString before = QCoreApplication::applicationVersion();
        QCoreApplication::setApplicationVersion(applicationVersion);
        const auto* about = static_cast<window_app_About*>(show(false));
        QCoreApplication::setApplicationVersion(before);
        QTEST(about->StaticText_type->text(), "shown");
    }

    // A click opens the link's address, except on the e-mail address. Under the mouse the
    // About link turns bold, the support links (always bold) red; then blue again.
    void links_data()
    {
        QTest::addColumn<bool>("support");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("url"); // empty: nothing opens
        QTest::newRow("About: web page") << false << "StaticText2"
                                         << "https://voleta.example.org/";
        QTest::newRow("online bank") << true << "url_0"
                                     << "https://netbank.example.com/";
        QTest::newRow("donation page") << true << "url_1"
                                       << "https://shareware.example.com/donate/voleta";
        QTest::newRow("shareware site") << true << "url_2"
                                        << "https://shareware.example.com/";
        QTest::newRow("e-mail address") << true << "url_3"
                                        << "";
    }
    void links()
    {
        QFETCH(bool, support);
        QFETCH(QString, name);
        QFETCH(QString, url);
        ScopedFakeDialogs fake;
        auto* link = show(support)->findChild<QLabel*>(name);
        const auto colour = [link] { return link->palette().color(QPalette::WindowText); };
        hover(link, true);
        QVERIFY(link->font().bold());
        QCOMPARE(colour() == QColor(Qt::red), support);
        QTest::mouseClick(link, Qt::LeftButton);
        hover(link, false);
        QCOMPARE(link->font().bold(), support);
        QCOMPARE(colour(), QColor(Qt::blue));
        QCOMPARE(fake->openedUrls, url.isEmpty() ? QList<QUrl>() : QList<QUrl> { QUrl(url) });
    }

    // A copy button copies its whole field, selected and focused; typing changes nothing.
    void supportCopy_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < 9; ++i)
            QTest::addRow("field %d", i) << i;
    }
    void supportCopy()
    {
        QFETCH(int, index);
        ScopedFakeDialogs fake;
        QWidget* w = show(true);
        QVERIFY(QTest::qWaitForWindowActive(w));
        auto* field = w->findChild<QLineEdit*>(QStringLiteral("field_%1").arg(index));
        const QString text = field->text();
        QVERIFY(!text.isEmpty());
        field->setSelection(1, 1); // from a partial selection, the focus elsewhere
        w->findChild<QLineEdit*>(QStringLiteral("field_%1").arg((index + 1) % 9))->setFocus();
        QTest::mouseClick(w->findChild<QToolButton*>(QStringLiteral("cp_%1").arg(index)), Qt::LeftButton);
        QCOMPARE(fake->clipboard, text);
        QVERIFY(field->hasFocus());
        QCOMPARE(field->selectedText(), text);
        QTest::keyClicks(field, QStringLiteral("12"));
        QTest::keyClick(field, Qt::Key_Backspace);
        QCOMPARE(field->text(), text);
    }
};

QTEST_MAIN(TestInfo)
#include "test_info.moc"
