// The About and support windows.
#include "app/VoletaIcon.h"
#include "info/AboutWindow.h"
#include "info/SupportWindow.h"
#include "platform/Files.h"
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

    void iconIsCachedWithTransparentWhite()
    {
        const QImage& icon = VoletaICon();
        QCOMPARE(&VoletaICon(), &icon);
        // The corner is background: white, so transparent. The middle is drawn and opaque.
        QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(icon.pixel(64, 64)), 255);
        for (int y = 0; y < icon.height(); ++y)
            for (int x = 0; x < icon.width(); ++x)
                if (qAlpha(icon.pixel(x, y)) != 0) QVERIFY((icon.pixel(x, y) & 0xffffff) != 0xffffff);
    }

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
        QVERIFY(first->isVisible());
        // Moved, closed (the support window by its close button) and asked for again at
        // once: a new window, not the closing one.
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
        if (support) QCOMPARE(second->geometry().top(), 50); // the support window opens at the top
    }

    void aboutTexts_data()
    {
        QTest::addColumn<QString>("applicationVersion");
        QTest::addColumn<QString>("shown");
        QTest::newRow("application version set") << QString("2.5.1") << QString("2.5.1");
        QTest::newRow("none: the build's") << QString() << QString("1.996");
    }
    void aboutTexts()
    {
        QFETCH(QString, applicationVersion);
        const QString before = QCoreApplication::applicationVersion();
        QCoreApplication::setApplicationVersion(applicationVersion);
        const window_app_About* about = static_cast<window_app_About*>(show(false));
        QCoreApplication::setApplicationVersion(before);
        QTEST(about->StaticText_type->text(), "shown");
        QCOMPARE(about->StaticText_OS->text(), QStringLiteral("For Linux"));
    }

    // The About link turns bold under the mouse; the support links, always bold, turn red.
    // A click opens the link's address, except for the e-mail address.
    void links_data()
    {
        QTest::addColumn<bool>("support");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("opens");
        QTest::newRow("About: web page") << false << "StaticText2" << true;
        QTest::newRow("online bank") << true << "url_0" << true;
        QTest::newRow("donation page") << true << "url_1" << true;
        QTest::newRow("shareware site") << true << "url_2" << true;
        QTest::newRow("e-mail address") << true << "url_3" << false;
    }
    void links()
    {
        QFETCH(bool, support);
        QFETCH(QString, name);
        QFETCH(bool, opens);
        ScopedFakeDialogs fake;
        auto* link = show(support)->findChild<QLabel*>(name);
        const auto colour = [link] { return link->palette().color(QPalette::WindowText); };
        const QColor blue(0, 0, 255);
        QVERIFY(link->font().underline());
        QCOMPARE(link->font().bold(), support);
        QCOMPARE(colour(), blue);

        hover(link, true);
        QVERIFY(link->font().bold());
        QCOMPARE(colour(), support ? QColor(255, 0, 0) : blue);
        QTest::mouseClick(link, Qt::LeftButton);
        hover(link, false);
        QCOMPARE(link->font().bold(), support);
        QCOMPARE(colour(), blue);

        QCOMPARE(fake->openedUrls.size(), opens ? 1 : 0);
        if (!opens) return;
        const QUrl url = fake->openedUrls.first();
        QVERIFY(url.isValid());
        QVERIFY(url.scheme().startsWith(QLatin1String("http")));
        if (!support) QCOMPARE(url.toString(), link->text());
    }

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
        QVERIFY(!field->text().isEmpty());
        // Start from a partial selection in this field and the focus elsewhere.
        field->setSelection(1, 1);
        w->findChild<QLineEdit*>(QStringLiteral("field_%1").arg((index + 1) % 9))->setFocus();

        QTest::mouseClick(w->findChild<QToolButton*>(QStringLiteral("cp_%1").arg(index)), Qt::LeftButton);
        QCOMPARE(fake->clipboard, field->text());
        QVERIFY(field->hasFocus());
        QCOMPARE(field->selectionStart(), 0);
        QCOMPARE(field->selectedText(), field->text());

        // Typing over the selection changes nothing: the field is read-only.
        const QString before = field->text();
        QTest::keyClicks(field, QStringLiteral("12"));
        QTest::keyClick(field, Qt::Key_Backspace);
        QCOMPARE(field->text(), before);
    }
};

QTEST_MAIN(TestInfo)
#include "test_info.moc"
