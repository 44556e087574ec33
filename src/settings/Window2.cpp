#include "settings/Window2.h"

#include "controls/Controls.h"
#include "platform/Files.h"
#include "render/Pipeline.h"
#include "scene/FolderModel.h"
#include "text/TextLayer.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>

namespace {

// The size lists' rows, in points; a line is drawn at text::kSizeFactor mask pixels a point.
QStringList sizeRows()
{
    QStringList rows;
    for (int v = 70; v <= 200; v += 10)
        rows << QString::number(v);
    return rows;
}

QStringList nearFarRows()
{
    QStringList rows;
    for (int i = 10; i >= 1; --i)
        rows << QStringLiteral("近%1").arg(i);
    rows << QStringLiteral(" 0");
    for (int i = 1; i <= 10; ++i)
        rows << QStringLiteral("遠%1").arg(i);
    return rows;
}

} // namespace

// A window of its own kept above the main window (its transient), with a plain title
// bar: no close box (it is only ever hidden), no minimise or maximise box. It can be
// resized: widening it shows the lists beyond its right edge; the controls stay where
// they are.
Window2::Window2(scene::SceneModel* model, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint)
    , model(model)
{
    setObjectName(QStringLiteral("Window2"));
    setWindowTitle(QStringLiteral("文字背景設定"));
    resize(480, 270);
    setMinimumSize(64, 64);
    setMaximumSize(32000, 32000);
    keepNormalState(this);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0, 171, 151));
    setPalette(pal);
    setAutoFillBackground(true);
    setFont(uiFont(12));
    createControls();
    fieldFamily = EditField1->font().family();
    connectHandlers();
    setUpFocus();
    connect(model, &scene::SceneModel::changed, this, &Window2::showScene);
    connect(model->folders(), &scene::FolderModel::changed, this, &Window2::showLists);
}

void Window2::placeContent(QPoint topLeft)
{
    setGeometry(QRect(topLeft, size()));
}

void Window2::addFontFamilies(const QStringList& families)
{
    for (const QString& family : families) {
        for (int n = 1; n <= 3; ++n)
            lineFontList(n)->AddRow(family);
        platform::yield();
    }
}

void Window2::createControls()
{
    auto place = [this](auto* w, const char* name, int left, int top, int width, int height) {
        w->setObjectName(QString::fromLatin1(name));
        w->setGeometry(left, top, width, height);
        return w;
    };
    auto label
        = [&](const char* name, const QString& caption, int left, int top, int width, int height, int size = 12) {
              QLabel* l = place(new QLabel(caption, this), name, left, top, width, height);
              l->setFont(uiFont(size));
              return l;
          };
    auto list = [&](const char* name, int left, int top, int width, int height, const QStringList& rows, int start) {
        PopupMenu* m = place(new PopupMenu(this), name, left, top, width, height);
        for (const QString& row : rows)
            m->AddRow(row);
        if (start >= 0) m->setCurrentIndex(start); // start values are set before any handler is attached
        return m;
    };
    auto bevel = [&](const char* name, const QString& caption, int left, int top) {
        QToolButton* b = place(new QToolButton(this), name, left, top, 12, 18);
        b->setText(caption);
        b->setAutoRepeat(false);
        b->setFocusPolicy(Qt::NoFocus);
        b->setFont(uiFont(11));
        return b;
    };
    auto field = [&](const char* name, const QString& text, int top, QColor colour) {
        QLineEdit* e = place(new QLineEdit(text, this), name, 143, top, 85, 30);
        QFont f = e->font();
        f.setPixelSize(18);
        e->setFont(f);
        QPalette p = e->palette();
        p.setColor(QPalette::Text, colour);
        p.setColor(QPalette::Base, Qt::white);
        e->setPalette(p);
        return e;
    };
    auto check = [&](const char* name, int left, int top) {
        return place(new QCheckBox(QStringLiteral(" "), this), name, left, top, 20, 20);
    };
    auto slider = [&](const char* name, int top, int start) {
        QSlider* s = place(new QSlider(Qt::Horizontal, this), name, 75, top, 60, 16);
        s->setRange(-18, 18);
        s->setValue(start);
        s->setSingleStep(1);
        s->setPageStep(20);
        s->setTracking(false);
        return s;
    };
    auto arrow = [&](const char* name, PopupArrow::Facing facing, int left, int top, int width, int height) {
        PopupArrow* a = place(new PopupArrow(facing, this), name, left, top, width, height);
        a->hide();
        return a;
    };

    const render::StartState& start = render::startState();
    Canvas2 = place(new Canvas(this), "Canvas2", 12, 12, 160, 128);
    Canvas2->setAutoFillBackground(true);
    LittleArrows1 = place(new LittleArrows(this), "LittleArrows1", 42, 173, 13, 23);
    BevelButton1 = bevel("BevelButton1", QStringLiteral("<"), 28, 175);
    BevelButton3 = bevel("BevelButton3", QStringLiteral(">"), 57, 175);
    StaticText4 = label("StaticText4", QStringLiteral("遠　　近"), 78, 150, 60, 18);
    PopupMenu2 = list("PopupMenu2", 572, 164, 70, 20, nearFarRows(), start.nearFarRow);
    PopupMenu2->setFont(uiFont(12));
    PopupMenu1 = list("PopupMenu1", 233, 174, 70, 20, sizeRows(), start.sizeRows[0]);
    StaticText2 = label("StaticText2", QStringLiteral("文字サイズ"), 233, 150, 70, 18);
    StaticText3 = label("StaticText3", QStringLiteral("文字列"), 158, 150, 52, 18);
    EditField1 = field("EditField1", start.lines[0].text, 168, QColor(63, 0, 0));
    PopupMenu7 = list("PopupMenu7", 306, 174, 118, 20, {}, -1);
    CheckBox2 = check("CheckBox2", 430, 173);
    CheckBox1 = check("CheckBox1", 452, 173);
    LittleArrows2 = place(new LittleArrows(this), "LittleArrows2", 42, 206, 13, 23);
    BevelButton4 = bevel("BevelButton4", QStringLiteral("<"), 28, 208);
    BevelButton5 = bevel("BevelButton5", QStringLiteral(">"), 57, 208);
    PopupMenu5 = list("PopupMenu5", 570, 196, 70, 20, nearFarRows(), start.nearFarRow);
    PopupMenu5->setFont(uiFont(12));
    PopupMenu4 = list("PopupMenu4", 233, 207, 70, 20, sizeRows(), start.sizeRows[1]);
    EditField2 = field("EditField2", start.lines[1].text, 202, QColor(0, 0, 63));
    PopupMenu8 = list("PopupMenu8", 306, 207, 118, 20, {}, -1);
    CheckBox3 = check("CheckBox3", 430, 207);
    CheckBox4 = check("CheckBox4", 452, 207);

    PushButton1 = place(new QPushButton(QStringLiteral("表 示"), this), "PushButton1", 370, 9, 90, 22);
    QFont bold = uiFont(13);
    bold.setBold(true);
    PushButton1->setFont(bold);
    PushButton1->setDefault(true); // Return presses it (see keyPressEvent)
    PushButton1->setEnabled(false);

    PopupMenu6 = list("PopupMenu6", 541, 248, 110, 20,
        { QStringLiteral(" 640 × 480"), QStringLiteral(" 720 × 480"), QStringLiteral(" 800 × 600"),
            QStringLiteral("1024× 768"), QStringLiteral("1152× 720"), QStringLiteral("1440× 900") },
        0);
    StaticText1 = label("StaticText1", QStringLiteral("元画像選択"), 196, 45, 80, 18, 14);
    PopupMenu3 = list("PopupMenu3", 294, 45, 130, 20, {}, -1);
    PopupMenu10 = list(
        "PopupMenu10", 265, 10, 80, 20, { QStringLiteral("平行方"), QStringLiteral("交差方") }, start.hk == 1 ? 0 : 1);
    StaticText8 = label("StaticText8", QStringLiteral("背景 選択"), 198, 75, 75, 18, 14);
    StaticText6 = label("StaticText6", QStringLiteral("書き出しサイズ"), 541, 218, 96, 25);
    StaticText6->setVisible(false);
    StaticText10 = label("StaticText10", QStringLiteral("文字位置"), 21, 150, 55, 18);
    // The design rows are replaced by the background folder's file names at start.
    PopupMenu11 = list("PopupMenu11", 280, 75, 130, 20,
        { QStringLiteral("地図表示"), QStringLiteral("富士山"), QStringLiteral("北岳"), QStringLiteral("穂高岳"),
            QStringLiteral("御岳"), QStringLiteral("乗鞍岳"), QStringLiteral("立山"), QStringLiteral("白山"),
            QStringLiteral("大峰山脈"), QStringLiteral("紀伊半島"), QStringLiteral("串本大島"),
            QStringLiteral("花瀬") },
        0);
    PopupMenu12 = list("PopupMenu12", 240, 109, 80, 20,
        { QStringLiteral(" 1 ×"), QStringLiteral("1.5×"), QStringLiteral(" 2 ×"), QStringLiteral("2.5×"),
            QStringLiteral(" 3 ×"), QStringLiteral(" 4 ×") },
        start.zoomRow);
    PopupMenu13 = list("PopupMenu13", 385, 109, 80, 20,
        { QStringLiteral("0.5×"), QStringLiteral(" 1 ×"), QStringLiteral("1.5×"), QStringLiteral(" 2 ×"),
            QStringLiteral("2.5×"), QStringLiteral(" 3 ×") },
        start.heightRow);
    StaticText11 = label("StaticText11", QStringLiteral("縮 尺"), 200, 110, 40, 18);
    StaticText12 = label("StaticText12", QStringLiteral("高低差"), 335, 110, 45, 18);
    PopupArrow1 = arrow("PopupArrow1", PopupArrow::Upward, 87, 3, 10, 8);
    PopupArrow3 = arrow("PopupArrow3", PopupArrow::Left, 3, 69, 8, 10);
    PopupArrow2 = arrow("PopupArrow2", PopupArrow::Downward, 87, 143, 10, 8);
    PopupArrow4 = arrow("PopupArrow4", PopupArrow::Right, 176, 69, 8, 10);
    StaticText13 = label("StaticText13", QStringLiteral("立体視"), 196, 10, 50, 20);
    Slider1 = slider("Slider1", 178, start.sliders[0]);
    Slider2 = slider("Slider2", 212, start.sliders[1]);
    StaticText7 = label("StaticText7", QStringLiteral("斜体"), 419, 150, 32, 18);
    QFont italic = uiFont(12);
    italic.setItalic(true);
    StaticText7->setFont(italic);
    StaticText9 = label("StaticText9", QStringLiteral("太字"), 448, 150, 30, 18);
    QFont boldLabel = uiFont(12);
    boldLabel.setBold(true);
    StaticText9->setFont(boldLabel);
    StaticText5 = label("StaticText5", QStringLiteral("フォント"), 332, 150, 55, 18);
    LittleArrows3 = place(new LittleArrows(this), "LittleArrows3", 42, 239, 13, 23);
    BevelButton2 = bevel("BevelButton2", QStringLiteral("<"), 28, 241);
    BevelButton6 = bevel("BevelButton6", QStringLiteral(">"), 57, 241);
    PopupMenu9 = list("PopupMenu9", 233, 240, 70, 20, sizeRows(), start.sizeRows[2]);
    EditField3 = field("EditField3", start.lines[2].text, 236, QColor(0, 0, 63));
    PopupMenu14 = list("PopupMenu14", 306, 240, 118, 20, {}, -1);
    CheckBox5 = check("CheckBox5", 430, 240);
    CheckBox6 = check("CheckBox6", 452, 240);
    Slider3 = slider("Slider3", 245, start.sliders[2]);
    StaticText14 = label("StaticText14", QStringLiteral("上段"), 1, 176, 30, 18);
    StaticText15 = label("StaticText15", QStringLiteral("中段"), 1, 208, 30, 18);
    StaticText16 = label("StaticText16", QStringLiteral("下段"), 1, 242, 30, 18);

    rows = { Row { EditField1, PopupMenu1, PopupMenu7, CheckBox2, CheckBox1, Slider1, LittleArrows1, BevelButton1,
                 BevelButton3 },
        Row { EditField2, PopupMenu4, PopupMenu8, CheckBox3, CheckBox4, Slider2, LittleArrows2, BevelButton4,
            BevelButton5 },
        Row { EditField3, PopupMenu9, PopupMenu14, CheckBox5, CheckBox6, Slider3, LittleArrows3, BevelButton2,
            BevelButton6 } };
}

QList<QWidget*> Window2::backgroundDropTargets() const
{
    return { Canvas2, PopupMenu11 };
}

QList<QWidget*> Window2::textFields() const
{
    return { EditField1, EditField2, EditField3 };
}

// Typing goes to the first text line from the start; Tab walks the visible controls
// in reading order and never reaches the lists beyond the window's edge.
void Window2::setUpFocus()
{
    for (PopupMenu* beyondEdge : { PopupMenu2, PopupMenu5, PopupMenu6 })
        beyondEdge->setFocusPolicy(Qt::NoFocus);
    const QList<QWidget*> order = { PopupMenu10, PushButton1, PopupMenu3, PopupMenu11, PopupMenu12, PopupMenu13,
        Slider1, EditField1, PopupMenu1, PopupMenu7, CheckBox2, CheckBox1, Slider2, EditField2, PopupMenu4, PopupMenu8,
        CheckBox3, CheckBox4, Slider3, EditField3, PopupMenu9, PopupMenu14, CheckBox5, CheckBox6 };
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    EditField1->setFocus();
}

void Window2::connectHandlers()
{
    connect(PushButton1, &QPushButton::clicked, this, &Window2::PushButton1_Action);
    connect(PopupMenu11, &PopupMenu::Change, this, &Window2::PopupMenu11_Change);
    connect(PopupMenu3, &PopupMenu::Change, this, &Window2::PopupMenu3_Change);
    connect(PopupMenu10, &PopupMenu::Change, this, &Window2::PopupMenu10_Change);
    connect(PopupMenu12, &PopupMenu::Change, this, &Window2::PopupMenu12_Change);
    connect(PopupMenu13, &PopupMenu::Change, this, &Window2::PopupMenu13_Change);
    connect(PopupMenu2, &PopupMenu::Change, this, &Window2::PopupMenu2_Change);
    connect(PopupMenu5, &PopupMenu::Change, this, &Window2::PopupMenu5_Change);
    connect(PopupArrow1, &PopupArrow::MouseDown, this, [this](QPoint p) { PopupArrow1_MouseDown(p.x(), p.y()); });
    connect(PopupArrow2, &PopupArrow::MouseDown, this, [this](QPoint p) { PopupArrow2_MouseDown(p.x(), p.y()); });
    connect(PopupArrow3, &PopupArrow::MouseDown, this, [this](QPoint p) { PopupArrow3_MouseDown(p.x(), p.y()); });
    connect(PopupArrow4, &PopupArrow::MouseDown, this, [this](QPoint p) { PopupArrow4_MouseDown(p.x(), p.y()); });
    connect(Canvas2, &Canvas::MouseDown, this, [this](QPoint p) { Canvas2_MouseDown(p.x(), p.y()); });
    Canvas2->paintHandler = [this](QPainter& g) {
        Canvas2_Paint(g);
        text::drawPreview(g, model->renderScene().lines);
    };
    connect(PopupMenu6, &PopupMenu::Change, this, [this] { model->chooseExportSize(PopupMenu6->ListIndex()); });

    // The three text rows: each kind of control has one handler taking the line.
    for (int n = 1; n <= 3; ++n) {
        const Row& r = rows[n - 1];
        connect(r.arrows, &LittleArrows::Up, this, [this, n] { lineUp(n); });
        connect(r.arrows, &LittleArrows::Down, this, [this, n] { lineDown(n); });
        connect(r.left, &QToolButton::clicked, this, [this, n] { lineLeft(n); });
        connect(r.right, &QToolButton::clicked, this, [this, n] { lineRight(n); });
        connect(r.sizes, &PopupMenu::Change, this, [this, n] { lineSizeChanged(n); });
        connect(r.field, &QLineEdit::textChanged, this, [this, n] { lineTextChanged(n); });
        connect(r.fonts, &PopupMenu::Change, this, [this, n] { lineFontChanged(n); });
        connect(r.italic, &QCheckBox::clicked, this, [this, n] { lineItalicClicked(n); });
        connect(r.bold, &QCheckBox::clicked, this, [this, n] { lineBoldClicked(n); });
        // The depth sliders have no handler of their own; they set the line's depth in
        // the model, a drag as one step that live view follows as it moves.
        QSlider* slider = r.slider;
        connect(slider, &QSlider::sliderPressed, this, [this, n] { model->beginDrag(n - 1); });
        connect(slider, &QSlider::sliderMoved, this, [this, n](int v) { model->setDepth(n - 1, v); });
        connect(slider, &QSlider::valueChanged, this, [this, n](int v) { model->setDepth(n - 1, v); });
        connect(slider, &QSlider::sliderReleased, this, [this] { model->endDrag(); });
        // The model's undo and redo, not the field's own, answer their keys.
        r.field->installEventFilter(this);
    }
}

void Window2::keyPressEvent(QKeyEvent* e)
{
    // Return presses the default button, when it is enabled.
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && e->modifiers() == Qt::NoModifier) {
        if (PushButton1->isEnabled() && isVisible()) PushButton1->click();
        e->accept();
        return;
    }
    QWidget::keyPressEvent(e);
}

bool Window2::eventFilter(QObject* watched, QEvent* e)
{
    // The field neither claims the keys from the menu's shortcuts nor undoes its own
    // typing when the keys reach it all the same.
    if (e->type() == QEvent::ShortcutOverride || e->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)) {
            e->ignore();
            return true;
        }
    }
    return QWidget::eventFilter(watched, e);
}

void Window2::closeEvent(QCloseEvent* e)
{
    e->ignore(); // the settings window is never closed, only hidden
}

void Window2::repaintPreview()
{
    Canvas2->update();
}
