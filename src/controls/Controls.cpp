#include "controls/Controls.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QVBoxLayout>

QFont uiFont(int pixelSize, bool bold)
{
    QFont font;
    font.setFamilies({ QStringLiteral("Osaka"), QStringLiteral("IPAGothic"), QStringLiteral("IPAPGothic"),
        QStringLiteral("Noto Sans CJK JP") });
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

void showInFront(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

namespace {

class NormalStateKeeper : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        auto* window = static_cast<QWidget*>(watched);
        const Qt::WindowStates grown = Qt::WindowMaximized | Qt::WindowFullScreen;
        if (e->type() == QEvent::WindowStateChange && (window->windowState() & grown))
            window->setWindowState(window->windowState() & ~grown);
        return false;
    }
};

} // namespace

void keepNormalState(QWidget* window)
{
    window->installEventFilter(new NormalStateKeeper(window));
}

PopupMenu::PopupMenu(QWidget* parent)
    : QComboBox(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QComboBox::currentIndexChanged, this, [this](int) {
        if (inCode == 0) Q_EMIT Change();
    });
}

void PopupMenu::setListIndex(int row)
{
    if (row < -1 || row >= count()) row = -1;
    ++inCode;
    setCurrentIndex(row);
    --inCode;
    Q_EMIT Change();
}

QString PopupMenu::Text() const
{
    return currentIndex() < 0 ? QString() : itemText(currentIndex());
}

void PopupMenu::AddRow(const QString& text)
{
    const int before = currentIndex();
    ++inCode;
    addItem(text);
    if (currentIndex() != before) setCurrentIndex(before); // Qt selects the first row added to an empty list
    --inCode;
}

void PopupMenu::DeleteAllRows()
{
    ++inCode;
    clear();
    --inCode;
}

void PopupMenu::ReplaceRows(const QStringList& rows)
{
    if (rows == Rows()) return; // no flicker, and an open list stays open
    const int chosen = currentIndex() < 0 ? -1 : int(rows.indexOf(Text()));
    ++inCode;
    clear();
    addItems(rows);
    setCurrentIndex(chosen);
    --inCode;
}

QStringList PopupMenu::Rows() const
{
    QStringList rows;
    rows.reserve(count());
    for (int i = 0; i < count(); ++i)
        rows << itemText(i);
    return rows;
}

LittleArrows::LittleArrows(QWidget* parent)
    : QWidget(parent)
    , up(new QToolButton(this))
    , down(new QToolButton(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton* b : { up, down }) {
        b->setArrowType(b == up ? Qt::UpArrow : Qt::DownArrow);
        b->setAutoRepeat(false);
        b->setFocusPolicy(Qt::NoFocus);
        b->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        b->setIconSize(QSize(7, 7));
        layout->addWidget(b);
    }
    connect(up, &QToolButton::clicked, this, &LittleArrows::Up);
    connect(down, &QToolButton::clicked, this, &LittleArrows::Down);
}

PopupArrow::PopupArrow(Facing f, QWidget* parent)
    : QWidget(parent)
    , facing(f)
{
    setCursor(Qt::PointingHandCursor);
}

void PopupArrow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = width(), h = height();
    QPainterPath path;
    switch (facing) {
    case Upward:
        path.moveTo(w / 2, 0), path.lineTo(w, h), path.lineTo(0, h);
        break;
    case Downward:
        path.moveTo(0, 0), path.lineTo(w, 0), path.lineTo(w / 2, h);
        break;
    case Left:
        path.moveTo(0, h / 2), path.lineTo(w, 0), path.lineTo(w, h);
        break;
    case Right:
        path.moveTo(0, 0), path.lineTo(w, h / 2), path.lineTo(0, h);
        break;
    }
    path.closeSubpath();
    p.fillPath(path, QColor(20, 20, 20));
}

void PopupArrow::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) Q_EMIT MouseDown(e->position().toPoint());
}

Canvas::Canvas(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

const QImage* Canvas::backdrop() const
{
    if (viewed) return viewed;
    return owned.isNull() ? nullptr : &owned;
}

void Canvas::setBackdrop(const QImage& picture)
{
    viewed = nullptr;
    owned = picture;
}

void Canvas::setBackdropView(const QImage* picture)
{
    owned = QImage();
    viewed = picture;
}

void Canvas::clearBackdrop()
{
    viewed = nullptr;
    owned = QImage();
}

void Canvas::paintBackdrop(QPainter& p) const
{
    if (const QImage* b = backdrop()) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(rect(), *b, b->rect());
    }
}

void Canvas::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (paintHandler)
        paintHandler(p);
    else
        paintBackdrop(p);
}

void Canvas::mousePressEvent(QMouseEvent* e)
{
    Q_EMIT MouseDown(e->position().toPoint());
    QWidget::mousePressEvent(e);
}

Oval::Oval(QWidget* parent)
    : QWidget(parent)
{
}

void Oval::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(borderColor, borderWidth));
    p.setBrush(fillColor);
    const qreal half = borderWidth / 2.0;
    p.drawEllipse(QRectF(rect()).adjusted(half, half, -half, -half));
}
