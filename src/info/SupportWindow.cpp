#include "info/SupportWindow.h"

#include "controls/Controls.h"
#include "platform/Dialogs.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QUrl>

namespace {

window_app_kanpa*& current()
{
    static window_app_kanpa* window = nullptr;
    return window;
}

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

const QColor kLinkBlue(0, 0, 255);
const QColor kLinkRed(255, 0, 0);

// Columns of the payee blocks: labels end where the fields begin; each copy button
// sits right of its field.
constexpr int kLabelWidth = 80;
constexpr int kFieldLeft[2] = { 95, 396 };
constexpr int kCopyLeft[2] = { 251, 552 };

enum class Style { Heading, Block, Paragraph, FieldLabel };

struct TextEntry {
    Style style;
    int left, top, width, height;
    const char* text;
};

// Every text of the window, by index. The payee details below are samples.
const TextEntry kTexts[22] = {
    { Style::Heading, 10, 5, 400, 20, "カンパウエアとは..." },
    { Style::Paragraph, 20, 35, 660, 112,
        "Voleta はカンパウエアです。どなたでも無料で、機能の制限なしにお使いいただけます。\n"
        "使ってみて気に入っていただけたら、お好きな金額をカンパ（寄付）してください。\n"
        "いただいたカンパは、新しい機能の開発や不具合の修正、ウェブサイトの維持に使わせていただきます。\n"
        "カンパは任意です。カンパをしなくても、これまでどおりお使いいただけます。\n"
        "ご意見やご感想、不具合のお知らせも、ユーザ登録のアドレスまでお気軽にお寄せください。" },
    { Style::Heading, 10, 155, 400, 20, "カンパ方法" },
    { Style::Paragraph, 20, 188, 660, 36,
        "郵便振替、銀行振込、ネット銀行、クレジットカードのいずれかでお送りください。金額はおまかせします。\n"
        "（下の口座番号などはすべて見本です。）" },
    { Style::Block, 10, 230, 300, 20, "「郵便振替」" },
    { Style::FieldLabel, kFieldLeft[0] - kLabelWidth, 255, kLabelWidth, 20, "口座番号：" },
    { Style::FieldLabel, kFieldLeft[1] - kLabelWidth, 255, kLabelWidth, 20, "加入者名:" },
    { Style::Block, 10, 285, 300, 20, "「銀行振込」" },
    { Style::FieldLabel, kFieldLeft[0] - kLabelWidth, 310, kLabelWidth, 20, "銀行名：" },
    { Style::FieldLabel, kFieldLeft[1] - kLabelWidth, 310, kLabelWidth, 20, "支店名:" },
    { Style::FieldLabel, kFieldLeft[0] - kLabelWidth, 335, kLabelWidth, 20, "支店番号：" },
    { Style::FieldLabel, kFieldLeft[1] - kLabelWidth, 335, kLabelWidth, 20, "口座番号:" },
    { Style::FieldLabel, kFieldLeft[0] - kLabelWidth, 360, kLabelWidth, 20, "口座名義：" },
    { Style::Block, 10, 385, 300, 20, "「ネット銀行」" },
    { Style::Paragraph, 20, 435, 660, 20, "同じネット銀行の口座からのお振込みは、振込手数料がかかりません。" },
    { Style::FieldLabel, kFieldLeft[0] - kLabelWidth, 460, kLabelWidth, 20, "支店番号:" },
    { Style::FieldLabel, kFieldLeft[1] - kLabelWidth, 460, kLabelWidth, 20, "口座番号:" },
    { Style::Block, 10, 490, 300, 20, "「クレジットカード」" },
    { Style::Paragraph, 20, 535, 660, 20,
        "シェアウェア販売サイトの決済サービスを通じて、クレジットカードでカンパできます。" },
    { Style::Heading, 10, 565, 400, 20, "ユーザ登録" },
    { Style::Paragraph, 20, 595, 660, 20,
        "カンパをしてくださった方は、お名前と送金方法を下のアドレスまでメールでお知らせください。" },
    { Style::Paragraph, 20, 620, 660, 20, "ユーザとして登録し、新しい版ができたときにお知らせします。" },
};

struct FieldEntry {
    int column; // 0 left, 1 right
    int top;
    const char* text;
};

const FieldEntry kFields[9] = {
    { 0, 255, "00000-0-000000" }, // postal transfer: account number
    { 1, 255, "ボレタ・サンプル" }, // postal transfer: payee
    { 0, 310, "サンプル銀行" }, // bank
    { 1, 310, "見本支店" }, // branch
    { 0, 335, "000" }, // branch number
    { 1, 335, "0000000" }, // account number
    { 0, 360, "ボレタ・サンプル" }, // account holder
    { 0, 460, "000" }, // online bank: branch number
    { 1, 460, "0000000" }, // online bank: account number
};

struct LinkEntry {
    int left, top, width;
    const char* text;
    const char* address; // empty: the label opens nothing
};

const LinkEntry kLinks[4] = {
    { 20, 410, 400, "https://netbank.example.com/", "https://netbank.example.com/" },
    { 20, 510, 320, "クレジットカードでカンパする", "https://shareware.example.com/donate/voleta" },
    { 360, 510, 320, "シェアウェア販売サイトのトップページ", "https://shareware.example.com/" },
    { 20, 640, 400, "support@voleta.example.org", "" },
};

template <typename Widget> void nameMember(Widget* widget, const char* group, int index)
{
    widget->setObjectName(QLatin1String(group) + QLatin1Char('_') + QString::number(index));
    widget->setProperty("index", index);
}

QFrame* makeSeparator(QWidget* parent, const char* name, int top)
{
    auto* line = new QFrame(parent);
    line->setObjectName(QLatin1String(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(10, top, 680, 4);
    return line;
}

} // namespace

window_app_kanpa* window_app_kanpa::instance()
{
    if (!current()) current() = new window_app_kanpa;
    return current();
}

void window_app_kanpa::showSupport()
{
    window_app_kanpa* window = instance();
    showInFront(window);
}

window_app_kanpa::window_app_kanpa()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("カンパ（寄付する）"));
    setFixedSize(700, 700);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry().center().x() - width() / 2, 50, width(), height());

    for (int i = 0; i < int(stext.size()); ++i) {
        const TextEntry& entry = kTexts[i];
        auto* label = new QLabel(QString::fromUtf8(entry.text), this);
        nameMember(label, "stext", i);
        label->setGeometry(entry.left, entry.top, entry.width, entry.height);
        switch (entry.style) {
        case Style::Heading:
            label->setFont(uiFont(14, true));
            break;
        case Style::Block:
            label->setFont(uiFont(12, true));
            break;
        case Style::Paragraph:
            label->setFont(uiFont(12));
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setWordWrap(true);
            break;
        case Style::FieldLabel:
            label->setFont(uiFont(12));
            label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            break;
        }
        stext[i] = label;
        stext_Open(i);
    }

    for (int i = 0; i < int(field.size()); ++i) {
        const FieldEntry& entry = kFields[i];
        auto* edit = new QLineEdit(QString::fromUtf8(entry.text), this);
        nameMember(edit, "field", i);
        edit->setFont(uiFont(12));
        edit->setGeometry(kFieldLeft[entry.column], entry.top, 156, 21);
        field[i] = edit;
        field_Open(i);

        auto* button = new QToolButton(this);
        nameMember(button, "cp", i);
        button->setText(QStringLiteral("コピー"));
        button->setFont(uiFont(12));
        button->setGeometry(kCopyLeft[entry.column], entry.top, 50, 20);
        connect(button, &QToolButton::clicked, this, [this, i] { cp_Action(i); });
        cp[i] = button;
    }

    QFont linkFont = uiFont(12, true);
    linkFont.setUnderline(true);
    for (int i = 0; i < int(url.size()); ++i) {
        const LinkEntry& entry = kLinks[i];
        auto* label = new QLabel(QString::fromUtf8(entry.text), this);
        nameMember(label, "url", i);
        label->setGeometry(entry.left, entry.top, entry.width, 20);
        label->setFont(linkFont);
        setTextColour(label, kLinkBlue);
        if (*entry.address) label->setCursor(Qt::PointingHandCursor);
        label->installEventFilter(this);
        url[i] = label;
    }

    Separator1 = makeSeparator(this, "Separator1", 25);
    Separator2 = makeSeparator(this, "Separator2", 176);
    Separator3 = makeSeparator(this, "Separator3", 585);

    PushButton1 = new QPushButton(QStringLiteral("閉じる"), this);
    PushButton1->setObjectName(QStringLiteral("PushButton1"));
    PushButton1->setFont(uiFont(12));
    PushButton1->setGeometry(576, 667, 114, 20);
    PushButton1->setDefault(true);
    connect(PushButton1, &QPushButton::clicked, this, &window_app_kanpa::PushButton1_Action);
}

window_app_kanpa::~window_app_kanpa()
{
    if (current() == this) current() = nullptr;
}

void window_app_kanpa::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    QRect frame = geometry();
    if (frame.top() != 50) {
        frame.moveTop(50);
        setGeometry(frame);
    }
}

void window_app_kanpa::closeEvent(QCloseEvent* event)
{
    // Forget the window at once: it is deleted later, and a support command that comes
    // before that must make a new one rather than show the dying one.
    QWidget::closeEvent(event);
    if (event->isAccepted() && current() == this) current() = nullptr;
}

// The close button is the default button: Return and Enter press it.
void window_app_kanpa::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
        PushButton1->animateClick();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool window_app_kanpa::eventFilter(QObject* watched, QEvent* event)
{
    const auto* label = qobject_cast<QLabel*>(watched);
    if (label && label->objectName().startsWith(QLatin1String("url_"))) {
        const int index = label->property("index").toInt();
        switch (event->type()) {
        case QEvent::Enter:
            url_MouseEnter(index);
            break;
        case QEvent::Leave:
            url_MouseExit(index);
            break;
        case QEvent::MouseButtonPress:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) url_MouseDown(index);
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void window_app_kanpa::stext_Open(int index)
{
    setTextColour(stext[index], QColor(20, 20, 20));
}

void window_app_kanpa::field_Open(int index)
{
    field[index]->setReadOnly(true);
}

void window_app_kanpa::cp_Action(int index)
{
    QLineEdit* edit = field[index];
    edit->setFocus(Qt::OtherFocusReason);
    edit->setSelection(0, int(edit->text().size()));
    platform::dialogs().setClipboardText(edit->selectedText());
}

void window_app_kanpa::url_MouseEnter(int index)
{
    setTextColour(url[index], kLinkRed);
}

void window_app_kanpa::url_MouseExit(int index)
{
    setTextColour(url[index], kLinkBlue);
}

void window_app_kanpa::url_MouseDown(int index)
{
    const char* address = kLinks[index].address;
    if (*address) platform::dialogs().openUrl(QUrl(QString::fromUtf8(address)));
}

void window_app_kanpa::PushButton1_Action()
{
    close();
}
