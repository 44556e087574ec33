#include "app/Class1.h"

#include "controls/Menu.h"
#include "controls/VoletaIcon.h"
#include "info/AboutWindow.h"
#include "info/SupportWindow.h"

#include <QAction>
#include <QIcon>
#include <QLibraryInfo>
#include <QMenu>
#include <QPixmap>
#include <QTranslator>

Class1::Class1(int& argc, char** argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Voleta"));
    setApplicationVersion(QStringLiteral(VOLETA_VERSION_TEXT));
    setQuitOnLastWindowClosed(false); // closing the main window quits; nothing else does
    setWindowIcon(QIcon(QPixmap::fromImage(VoletaICon())));

    // Qt's own dialogs (save, overwrite question, page set-up, print) in Japanese, like
    // the rest of the program. Without the translation file they stay as Qt gives them.
    auto* qtTranslator = new QTranslator(this);
    if (qtTranslator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(qtTranslator);

    Menu* menu = Menu::instance();
    for (QMenu* m : menu->findChildren<QMenu*>())
        connect(m, &QMenu::aboutToShow, this, &Class1::EnableMenuItems);
    connect(menu->items().apple_about, &QAction::triggered, this, &Class1::apple_about);
    connect(menu->items().apple_kanpa, &QAction::triggered, this, &Class1::apple_kanpa);
}

void Class1::EnableMenuItems()
{
    const MenuItems& items = Menu::instance()->items();
    for (QAction* item : { items.FileQuit, items.svdt, items.settei })
        item->setEnabled(true);
}

bool Class1::apple_about()
{
    window_app_About::showAbout();
    return false;
}

bool Class1::apple_kanpa()
{
    window_app_kanpa::showSupport();
    return false;
}
