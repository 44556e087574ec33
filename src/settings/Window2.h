// The settings window: every option of the program, the map preview with its pan
// arrows, and one row of controls for each of the three text lines. Its handlers write
// the scene model, and it shows the model whenever the model changes.
#pragma once

#include "scene/SceneModel.h"

#include <QImage>
#include <QWidget>
#include <array>

class Canvas;
class LittleArrows;
class PopupArrow;
class PopupMenu;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QToolButton;

class Window2 : public QWidget {
    Q_OBJECT
public:
    // The window over a scene model that outlives it, a transient of `mainWindow`.
    Window2(scene::SceneModel* model, QWidget* mainWindow);

    // Puts the window's content (not its frame) at a place on the screen.
    void placeContent(QPoint topLeft);
    // The font families every text row's font list offers, in order.
    void addFontFamilies(const QStringList& families);
    // The main window's Settings button: the window comes back with Display off until
    // the text is drawn again.
    void showAgain();
    // Where a dropped picture becomes the background: the map preview and the background list.
    QList<QWidget*> backgroundDropTargets() const;
    // The three text fields: a file dropped on one is taken as dropped on the window.
    QList<QWidget*> textFields() const;

    // Handlers.
    void PushButton1_Action(); // the Display command
    void PopupMenu11_Change();
    void PopupMenu3_Change();
    void PopupMenu10_Change();
    void Canvas2_Paint(QPainter& g);
    bool Canvas2_MouseDown(int x, int y);
    void PopupMenu12_Change();
    void PopupMenu13_Change();
    bool PopupArrow1_MouseDown(int x, int y);
    bool PopupArrow2_MouseDown(int x, int y);
    bool PopupArrow3_MouseDown(int x, int y);
    bool PopupArrow4_MouseDown(int x, int y);
    void PopupMenu2_Change();
    void PopupMenu5_Change();
    // The text rows' handlers, one for each kind of control, for line n (1..3).
    void lineUp(int n); // LittleArrowsN's Up
    void lineDown(int n); // LittleArrowsN's Down
    void lineLeft(int n); // the row's "<"
    void lineRight(int n); // the row's ">"
    void lineSizeChanged(int n);
    void lineTextChanged(int n);
    void lineFontChanged(int n);
    void lineItalicClicked(int n);
    void lineBoldClicked(int n);

Q_SIGNALS:
    // The handlers' effects on the main window: its Settings button comes on; the
    // Display command composes there.
    void settingsButtonEnabled();
    void displayRequested();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    scene::SceneModel* model;

    // Controls in creation order (the stacking order).
    Canvas* Canvas2; // the map preview, 160 x 128
    LittleArrows* LittleArrows1; // line 1 up/down
    QToolButton* BevelButton1; // line 1 "<"
    QToolButton* BevelButton3; // line 1 ">"
    QLabel* StaticText4; // 遠　　近
    PopupMenu* PopupMenu2; // near/far list of line 1, beyond the right edge
    PopupMenu* PopupMenu1; // line 1 size
    QLabel* StaticText2;
    QLabel* StaticText3;
    QLineEdit* EditField1; // line 1 text
    PopupMenu* PopupMenu7; // line 1 font
    QCheckBox* CheckBox2; // line 1 italic
    QCheckBox* CheckBox1; // line 1 bold
    LittleArrows* LittleArrows2;
    QToolButton* BevelButton4; // line 2 "<"
    QToolButton* BevelButton5; // line 2 ">"
    PopupMenu* PopupMenu5; // near/far list of line 2, beyond the right edge
    PopupMenu* PopupMenu4; // line 2 size
    QLineEdit* EditField2;
    PopupMenu* PopupMenu8; // line 2 font
    QCheckBox* CheckBox3; // line 2 italic
    QCheckBox* CheckBox4; // line 2 bold
    QPushButton* PushButton1; // 表 示: the Display command
    PopupMenu* PopupMenu6; // export sizes, beyond the right edge; read by nothing
    QLabel* StaticText1;
    PopupMenu* PopupMenu3; // source pictures
    PopupMenu* PopupMenu10; // viewing method
    QLabel* StaticText8;
    QLabel* StaticText6; // hidden
    QLabel* StaticText10;
    PopupMenu* PopupMenu11; // backgrounds; row 0 is the flat plane
    PopupMenu* PopupMenu12; // zoom
    PopupMenu* PopupMenu13; // height difference
    QLabel* StaticText11;
    QLabel* StaticText12;
    PopupArrow* PopupArrow1; // above the preview
    PopupArrow* PopupArrow3; // left of the preview
    PopupArrow* PopupArrow2; // below the preview
    PopupArrow* PopupArrow4; // right of the preview
    QLabel* StaticText13;
    QSlider* Slider1; // line 1 depth
    QSlider* Slider2;
    QLabel* StaticText7;
    QLabel* StaticText9;
    QLabel* StaticText5;
    LittleArrows* LittleArrows3;
    QToolButton* BevelButton2; // line 3 "<"
    QToolButton* BevelButton6; // line 3 ">"
    PopupMenu* PopupMenu9; // line 3 size
    QLineEdit* EditField3;
    PopupMenu* PopupMenu14; // line 3 font
    QCheckBox* CheckBox5; // line 3 italic
    QCheckBox* CheckBox6; // line 3 bold
    QSlider* Slider3;
    QLabel* StaticText14;
    QLabel* StaticText15;
    QLabel* StaticText16;

    // The controls of each text row, line n (1..3) at n - 1.
    struct Row {
        QLineEdit* field;
        PopupMenu* sizes;
        PopupMenu* fonts;
        QCheckBox* italic;
        QCheckBox* bold;
        QSlider* slider;
        LittleArrows* arrows;
        QToolButton* left;
        QToolButton* right;
    };
    std::array<Row, 3> rows {};
    QLineEdit* lineField(int n) const { return rows[n - 1].field; }
    PopupMenu* lineFontList(int n) const { return rows[n - 1].fonts; }
    PopupMenu* lineSizeList(int n) const { return rows[n - 1].sizes; }
    QSlider* lineSlider(int n) const { return rows[n - 1].slider; }

    void createControls();
    void connectHandlers();
    void setUpFocus();
    void repaintPreview();
    void moveLine(int n, int dx, int dy);
    void panBy(int dx, int dy);

    // What every redraw of the text does here: the preview redrawn, and Display on
    // once there is a source picture.
    void textRedrawn();
    // Shows the model in the controls without running their handlers.
    void showScene(scene::SceneModel::Parts parts);
    QString fieldFamily; // the text fields' font before a family is chosen

    // The picture lists: the folders' pictures, and the scene's choice where its file is
    // gone (it stays listed, in its place by name, until another is chosen).
    void showLists();
};
