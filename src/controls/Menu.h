// The program's menu tree, built once and shown by the main window.
#pragma once

#include <QMenuBar>

class QAction;

class Menu : public QMenuBar {
    Q_OBJECT
public:
    // The single instance, built on the first request.
    static Menu* instance();
    // An item or title anywhere in the tree, by name ("FileQuit", "svdt", "settei",
    // "answerSave", "openScene", "saveScene", "undo", "redo", the checkable "liveView", "answerView", "highQuality",
    // ...).
    QAction* item(const QString& name) const;

private:
    Menu();
};
