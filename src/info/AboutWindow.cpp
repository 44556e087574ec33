#include "info/AboutWindow.h"

#include "controls/Controls.h"
#include "controls/VoletaIcon.h"
#include "platform/Dialogs.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QUrl>

namespace {

window_app_About*& current()
{
    static window_app_About* window = nullptr;
    return window;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QRect& geometry, const QString& text, Qt::Alignment align,
    const QFont& font)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    label->setAlignment(align | Qt::AlignVCenter);
    label->setFont(font);
    return label;
}

// A canvas whose backdrop is the application icon.
class IconCanvas : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QImage& icon = VoletaICon();
        painter.drawImage(QPoint((width() - icon.width()) / 2, (height() - icon.height()) / 2), icon);
    }
};

} // namespace

window_app_About* window_app_About::instance()
{
    if (!current()) current() = new window_app_About;
    return current();
}

void window_app_About::showAbout()
{
    window_app_About* window = instance();
    showInFront(window);
}

window_app_About::window_app_About()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Voletaについて"));
    setFixedSize(459, 467);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area(QPoint(0, 0), size());
        area.moveCenter(screen->availableGeometry().center());
        move(area.topLeft());
    }

    StaticText_SoftName = makeLabel(this, "StaticText_SoftName", QRect(102, 183, 240, 38), QStringLiteral("Voleta"),
        Qt::AlignHCenter, uiFont(32, true));
    StaticText_OS = makeLabel(this, "StaticText_OS", QRect(102, 222, 245, 20), QString(), Qt::AlignHCenter, uiFont(14));
    StaticText_OS_Open();
    StaticText_type_name = makeLabel(this, "StaticText_type_name", QRect(126, 263, 100, 20),
        QStringLiteral("バージョン:"), Qt::AlignRight, uiFont(12));
    StaticText_type_name->setProperty("index", 0);
    StaticText_type
        = makeLabel(this, "StaticText_type", QRect(233, 263, 100, 20), QString(), Qt::AlignLeft, uiFont(12));
    StaticText_type->setProperty("index", 0);
    StaticText_type_Open();
    StaticText1 = makeLabel(this, "StaticText1", QRect(31, 373, 397, 41),
        QStringLiteral("Copyright © 2026 Voleta Project. All rights reserved.\n"
                       "本ソフトウェアは無保証で提供されます。"),
        Qt::AlignHCenter, uiFont(12));

    QFont linkFont = uiFont(12);
    linkFont.setUnderline(true);
    StaticText2 = makeLabel(this, "StaticText2", QRect(59, 426, 341, 20), QStringLiteral("https://voleta.example.org/"),
        Qt::AlignHCenter, linkFont);
    QPalette linkPalette = StaticText2->palette();
    linkPalette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    StaticText2->setPalette(linkPalette);
    StaticText2->setCursor(Qt::PointingHandCursor);
    StaticText2->installEventFilter(this);

    Canvas1 = new IconCanvas(this);
    Canvas1->setObjectName(QStringLiteral("Canvas1"));
    Canvas1->setGeometry(164, 25, 131, 131);
    Canvas1->setFocusPolicy(Qt::NoFocus);
    Canvas1->setAutoFillBackground(true);
}

window_app_About::~window_app_About()
{
    if (current() == this) current() = nullptr;
}

void window_app_About::closeEvent(QCloseEvent* event)
{
    // Forget the window at once: it is deleted later, and an About command that comes
    // before that must make a new one rather than show the dying one.
    QWidget::closeEvent(event);
    if (event->isAccepted() && current() == this) current() = nullptr;
}

bool window_app_About::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == StaticText2) {
        switch (event->type()) {
        case QEvent::Enter:
            StaticText2_MouseEnter();
            break;
        case QEvent::Leave:
            StaticText2_MouseExit();
            break;
        case QEvent::MouseButtonPress:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) StaticText2_MouseDown();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void window_app_About::StaticText_OS_Open()
{
    StaticText_OS->setText(QStringLiteral("For Linux"));
}

// StaticText_type_Open: the application's short version text.
void window_app_About::StaticText_type_Open()
{
    if (StaticText_type->property("index").toInt() != 0) return;
    QString version = QCoreApplication::applicationVersion();
    if (version.isEmpty()) version = QStringLiteral(VOLETA_VERSION_TEXT);
    StaticText_type->setText(version);
}

void window_app_About::StaticText2_MouseEnter()
{
    QFont font = StaticText2->font();
    font.setBold(true);
    StaticText2->setFont(font);
}

void window_app_About::StaticText2_MouseExit()
{
    QFont font = StaticText2->font();
    font.setBold(false);
    StaticText2->setFont(font);
}

void window_app_About::StaticText2_MouseDown()
{
    platform::dialogs().openUrl(QUrl(StaticText2->text()));
}
