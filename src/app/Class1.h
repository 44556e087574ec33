// The application object: builds the menu tree, keeps the always-available commands
// enabled, and routes About and Support to their windows.
#pragma once

#include <QApplication>

class Class1 : public QApplication {
    Q_OBJECT
public:
    Class1(int& argc, char** argv);
    static Class1* instance() { return qobject_cast<Class1*>(QCoreApplication::instance()); }

    // Runs whenever a menu is about to open: Quit, Save image and Settings are always on.
    void EnableMenuItems();
    bool apple_about(); // shows the About window
    bool apple_kanpa(); // shows the Support window
};
