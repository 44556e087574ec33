// Small control classes that give every window handler the behaviour it expects of
// its controls, where plain Qt widgets behave differently.
#pragma once

#include <QComboBox>
#include <QFont>
#include <QImage>
#include <QWidget>
#include <functional>

class QToolButton;

// The Japanese interface font at a pixel size: "Osaka" where it exists, else the
// Japanese gothic fonts that stand in for it on Linux.
QFont uiFont(int pixelSize, bool bold = false);

// Shows a top-level window, or brings it to the front when it is already shown.
void showInFront(QWidget* window);

// Keeps a fixed-size window out of the maximised and full-screen states, whoever asks
// for them (a program call, a window manager that ignores the missing maximise box).
void keepNormalState(QWidget* window);

// A list of rows with at most one selected. Unlike a bare QComboBox it can have no
// selected row (ListIndex -1) even when it holds rows, adding rows never selects one,
// and setting the row in code runs the change handler exactly once.
class PopupMenu : public QComboBox {
    Q_OBJECT
public:
    explicit PopupMenu(QWidget* parent = nullptr);

    int ListIndex() const { return currentIndex(); }
    void setListIndex(int row); // -1 = no selection; always emits Change once
    QString Text() const; // the selected row's text, empty when none
    void AddRow(const QString& text);
    void DeleteAllRows(); // leaves no selection, emits nothing
    // Puts `rows` in place of the rows and keeps the selection on the row with the same
    // text (none when `rows` lacks it); emits nothing.
    void ReplaceRows(const QStringList& rows);
    QStringList Rows() const;

Q_SIGNALS:
    void Change();

private:
    int inCode = 0; // > 0 while rows change in code, so Qt's own signals are not passed on
};

// Two small stacked arrow buttons: Up and Down, one step per click.
class LittleArrows : public QWidget {
    Q_OBJECT
public:
    explicit LittleArrows(QWidget* parent = nullptr);
    QToolButton* upButton() const { return up; }
    QToolButton* downButton() const { return down; }

Q_SIGNALS:
    void Up();
    void Down();

private:
    QToolButton* up;
    QToolButton* down;
};

// A small filled triangle pointing one way; a press is one step, no repeat while held.
class PopupArrow : public QWidget {
    Q_OBJECT
public:
    enum Facing { Right = 0, Left = 1, Upward = 2, Downward = 3 };
    PopupArrow(Facing facing, QWidget* parent = nullptr);

Q_SIGNALS:
    void MouseDown(QPoint pos);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    Facing facing;
};

// A drawing area with an optional backdrop picture. By default it paints the whole
// backdrop scaled into the whole canvas; a window can replace that with its own paint
// handler. The backdrop is either held by the canvas or viewed from a picture that
// its owner keeps (the main window's composed picture, updated in place).
class Canvas : public QWidget {
    Q_OBJECT
public:
    explicit Canvas(QWidget* parent = nullptr);

    const QImage* backdrop() const;
    void setBackdrop(const QImage& picture); // null picture = no backdrop
    void setBackdropView(const QImage* picture); // shown, not owned
    void clearBackdrop();

    std::function<void(QPainter&)> paintHandler; // replaces the default painting

    // Draws the backdrop scaled into the whole canvas, proportions not kept.
    void paintBackdrop(QPainter& p) const;

Q_SIGNALS:
    void MouseDown(QPoint pos);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    QImage owned;
    const QImage* viewed = nullptr;
};

// A filled ellipse with a border.
class Oval : public QWidget {
    Q_OBJECT
public:
    explicit Oval(QWidget* parent = nullptr);
    QColor fillColor = Qt::black;
    QColor borderColor = Qt::black;
    int borderWidth = 1;

protected:
    void paintEvent(QPaintEvent*) override;
};
