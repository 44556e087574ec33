// The About and support windows.
#include "app/VoletaIcon.h"
#include "info/AboutWindow.h"
#include "info/SupportWindow.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {

void enter(QWidget* widget)
{
    const QPointF centre = QRectF(widget->rect()).center();
    QEnterEvent event(centre, widget->mapTo(widget->window(), centre), widget->mapToGlobal(centre));
    QApplication::sendEvent(widget, &event);
}

void leave(QWidget* widget)
{
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(widget, &event);
}

void deletePendingWindows()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QColor textColour(const QLabel* label)
{
    return label->palette().color(QPalette::WindowText);
}

// Labels must be wide (and, when wrapping, tall) enough for their text.
void verifyTextFits(const QLabel* label)
{
    const int flags = int(label->alignment()) | (label->wordWrap() ? int(Qt::TextWordWrap) : 0);
    const QRect needed = label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 10000), flags, label->text());
    QVERIFY2(needed.width() <= label->width() && needed.height() <= label->height(),
        qPrintable(label->objectName() + QStringLiteral(" needs %1 x %2").arg(needed.width()).arg(needed.height())));
}

} // namespace

class TestInfo : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup();

    void iconIsCachedWithTransparentWhite();

    void aboutIsSingleInstance();
    void aboutVersion_data();
    void aboutVersion();
    void aboutLabels();
    void aboutLinkHover();
    void aboutLinkClickOpensItsText();

    void supportIsSingleInstanceAtTop();
    void supportControlsNamedAndIndexed();
    void supportLayout();
    void supportCopy_data();
    void supportCopy();
    void supportLinks_data();
    void supportLinks();
    void supportCloseButton();
};

void TestInfo::cleanup()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        w->close();
    deletePendingWindows();
}

void TestInfo::iconIsCachedWithTransparentWhite()
{
    const QImage& icon = VoletaICon();
    QCOMPARE(&VoletaICon(), &icon);
    QVERIFY(icon.hasAlphaChannel());
    QCOMPARE(icon.size(), QSize(128, 128));
    // The corner is background: white, so transparent. The middle is drawn and opaque.
    QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(icon.pixel(64, 64)), 255);
    for (int y = 0; y < icon.height(); ++y)
        for (int x = 0; x < icon.width(); ++x) {
            const QRgb p = icon.pixel(x, y);
            if (qAlpha(p) != 0) QVERIFY2((p & 0xffffff) != 0xffffff, "an opaque pure white pixel");
        }
}

void TestInfo::aboutIsSingleInstance()
{
    platform::ScopedFakeDialogs fake;
    window_app_About::showAbout();
    QPointer<window_app_About> first = window_app_About::instance();
    window_app_About::showAbout();
    QCOMPARE(window_app_About::instance(), first.data());
    QVERIFY(first->isVisible());
    QCOMPARE(first->size(), QSize(459, 467));
    QCOMPARE(first->windowTitle(), QStringLiteral("Voletaについて"));

    QVERIFY(first->close());
    // A command right after closing makes a new window, not the closing one.
    window_app_About::showAbout();
    window_app_About* second = window_app_About::instance();
    QVERIFY(second != first.data());
    deletePendingWindows();
    QVERIFY(first.isNull());
    QCOMPARE(window_app_About::instance(), second);
    QVERIFY(second->isVisible());
}

void TestInfo::aboutVersion_data()
{
    QTest::addColumn<QString>("applicationVersion");
    QTest::addColumn<QString>("shown");
    QTest::newRow("application version set") << "2.5.1"
                                             << "2.5.1";
    QTest::newRow("no application version: the build's") << "" << VOLETA_VERSION_TEXT;
}

void TestInfo::aboutVersion()
{
    QFETCH(QString, applicationVersion);
    QFETCH(QString, shown);
    const QString before = QCoreApplication::applicationVersion();
    QCoreApplication::setApplicationVersion(applicationVersion);
    window_app_About::showAbout();
    const auto* label = window_app_About::instance()->findChild<QLabel*>(QStringLiteral("StaticText_type"));
    QCoreApplication::setApplicationVersion(before);
    QVERIFY(label);
    QCOMPARE(label->text(), shown);
    QVERIFY(label->text() != QStringLiteral("2006"));
}

void TestInfo::aboutLabels()
{
    window_app_About::showAbout();
    window_app_About* about = window_app_About::instance();
    QCOMPARE(about->findChild<QLabel*>(QStringLiteral("StaticText_OS"))->text(), QStringLiteral("For Linux"));
    QCOMPARE(about->findChild<QLabel*>(QStringLiteral("StaticText_SoftName"))->text(), QStringLiteral("Voleta"));
    for (const char* name : { "StaticText_SoftName", "StaticText_OS", "StaticText_type_name", "StaticText_type",
             "StaticText1", "StaticText2" }) {
        const auto* label = about->findChild<QLabel*>(QLatin1String(name));
        QVERIFY2(label, name);
        verifyTextFits(label);
    }
    QCOMPARE(about->StaticText1->text().count(QLatin1Char('\n')), 1); // a two-line notice
    QVERIFY(about->findChild<QWidget*>(QStringLiteral("Canvas1")));
}

void TestInfo::aboutLinkHover()
{
    window_app_About::showAbout();
    QLabel* link = window_app_About::instance()->findChild<QLabel*>(QStringLiteral("StaticText2"));
    QVERIFY(link);
    QVERIFY(!link->font().bold());
    QVERIFY(link->font().underline());
    QCOMPARE(textColour(link), QColor(0, 0, 255));

    enter(link);
    QVERIFY(link->font().bold());
    QVERIFY(link->font().underline());
    verifyTextFits(link);
    QCOMPARE(textColour(link), QColor(0, 0, 255));

    leave(link);
    QVERIFY(!link->font().bold());
    QVERIFY(link->font().underline());
    QCOMPARE(textColour(link), QColor(0, 0, 255));
}

void TestInfo::aboutLinkClickOpensItsText()
{
    platform::ScopedFakeDialogs fake;
    window_app_About::showAbout();
    QLabel* link = window_app_About::instance()->findChild<QLabel*>(QStringLiteral("StaticText2"));
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(fake->openedUrls.size(), 1);
    QCOMPARE(fake->openedUrls.first().toString(), link->text());
    QVERIFY(fake->openedUrls.first().isValid());
    QVERIFY(fake->openedUrls.first().host().endsWith(QStringLiteral(".example.org")));
}

void TestInfo::supportIsSingleInstanceAtTop()
{
    window_app_kanpa::showSupport();
    QPointer<window_app_kanpa> first = window_app_kanpa::instance();
    window_app_kanpa::showSupport();
    QCOMPARE(window_app_kanpa::instance(), first.data());
    QCOMPARE(first->size(), QSize(700, 700));
    QCOMPARE(first->geometry().top(), 50);
    QCOMPARE(first->windowTitle(), QStringLiteral("カンパ（寄付する）"));

    // Moved away, closed and opened again: a new window, back at the top.
    first->move(first->x(), 300);
    first->close();
    window_app_kanpa::showSupport();
    window_app_kanpa* second = window_app_kanpa::instance();
    QVERIFY(second != first.data());
    deletePendingWindows();
    QVERIFY(first.isNull());
    QCOMPARE(second->geometry().top(), 50);
}

void TestInfo::supportControlsNamedAndIndexed()
{
    window_app_kanpa* w = window_app_kanpa::instance();
    const struct {
        const char* group;
        int count;
        const char* className;
    } groups[] = { { "stext", 22, "QLabel" }, { "field", 9, "QLineEdit" }, { "cp", 9, "QToolButton" },
        { "url", 4, "QLabel" } };
    for (const auto& g : groups) {
        for (int i = 0; i < g.count; ++i) {
            const QString name = QLatin1String(g.group) + QLatin1Char('_') + QString::number(i);
            const auto* control = w->findChild<QWidget*>(name);
            QVERIFY2(control, qPrintable(name));
            QVERIFY2(control->inherits(g.className), qPrintable(name));
            QCOMPARE(control->property("index").toInt(), i);
        }
        const QString next = QLatin1String(g.group) + QLatin1Char('_') + QString::number(g.count);
        QVERIFY2(!w->findChild<QWidget*>(next), qPrintable(next));
    }
}

// Every control lies inside the window, none covers another, every text fits its label
// and each copy button sits on its field's row.
void TestInfo::supportLayout()
{
    window_app_kanpa::showSupport();
    window_app_kanpa* w = window_app_kanpa::instance();
    const QList<QWidget*> controls = w->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    QCOMPARE(controls.size(), 22 + 9 + 9 + 4 + 3 + 1);
    for (const QWidget* a : controls) {
        QVERIFY2(w->rect().contains(a->geometry()), qPrintable(a->objectName()));
        for (const QWidget* b : controls)
            if (a != b && a->geometry().intersects(b->geometry()))
                QFAIL(qPrintable(a->objectName() + QStringLiteral(" overlaps ") + b->objectName()));
        if (const auto* label = qobject_cast<const QLabel*>(a)) verifyTextFits(label);
    }
    for (int i = 0; i < 9; ++i) {
        const QWidget* field = w->findChild<QWidget*>(QStringLiteral("field_%1").arg(i));
        const QWidget* button = w->findChild<QWidget*>(QStringLiteral("cp_%1").arg(i));
        QCOMPARE(button->y(), field->y());
        QCOMPARE(button->x(), field->geometry().right() + 1);
    }
}

void TestInfo::supportCopy_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < 9; ++i)
        QTest::addRow("field %d", i) << i;
}

void TestInfo::supportCopy()
{
    QFETCH(int, index);
    platform::ScopedFakeDialogs fake;
    window_app_kanpa::showSupport();
    window_app_kanpa* w = window_app_kanpa::instance();
    QVERIFY(QTest::qWaitForWindowActive(w));
    auto* field = w->findChild<QLineEdit*>(QStringLiteral("field_%1").arg(index));
    auto* button = w->findChild<QToolButton*>(QStringLiteral("cp_%1").arg(index));
    QVERIFY(!field->text().isEmpty());
    // Start from a partial selection in this field and the focus elsewhere.
    field->setSelection(1, 1);
    w->findChild<QLineEdit*>(QStringLiteral("field_%1").arg((index + 1) % 9))->setFocus();

    QTest::mouseClick(button, Qt::LeftButton);
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

void TestInfo::supportLinks_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("opens");
    QTest::newRow("online bank") << 0 << true;
    QTest::newRow("donation page") << 1 << true;
    QTest::newRow("shareware site") << 2 << true;
    QTest::newRow("e-mail address") << 3 << false;
}

void TestInfo::supportLinks()
{
    QFETCH(int, index);
    QFETCH(bool, opens);
    platform::ScopedFakeDialogs fake;
    window_app_kanpa::showSupport();
    window_app_kanpa* w = window_app_kanpa::instance();
    auto* link = w->findChild<QLabel*>(QStringLiteral("url_%1").arg(index));
    QVERIFY(link->font().bold());
    QVERIFY(link->font().underline());
    QCOMPARE(textColour(link), QColor(0, 0, 255));

    enter(link);
    QCOMPARE(textColour(link), QColor(255, 0, 0));
    QTest::mouseClick(link, Qt::LeftButton);
    leave(link);
    QCOMPARE(textColour(link), QColor(0, 0, 255));

    QCOMPARE(fake->openedUrls.size(), opens ? 1 : 0);
    if (opens) {
        const QUrl url = fake->openedUrls.first();
        QVERIFY(url.isValid());
        QVERIFY(url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"));
        QVERIFY2(url.host().endsWith(QLatin1String("example.com")) || url.host().endsWith(QLatin1String("example.org")),
            qPrintable(url.toString()));
    }
}

void TestInfo::supportCloseButton()
{
    window_app_kanpa::showSupport();
    QPointer<window_app_kanpa> w = window_app_kanpa::instance();
    auto* close = w->findChild<QPushButton*>(QStringLiteral("PushButton1"));
    QCOMPARE(close->text(), QStringLiteral("閉じる"));
    QVERIFY(close->isDefault());
    QTest::mouseClick(close, Qt::LeftButton);
    deletePendingWindows();
    QVERIFY(w.isNull());
}

QTEST_MAIN(TestInfo)
#include "test_info.moc"
