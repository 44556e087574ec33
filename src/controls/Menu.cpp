#include "controls/Menu.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <utility>

Menu* Menu::instance()
{
    static QPointer<Menu> menu;
    if (!menu) menu = new Menu;
    return menu;
}

Menu::Menu()
{
    setObjectName(QStringLiteral("Menu"));
    auto addItem = [](QMenu* menu, const char* name, const QString& caption, const QKeySequence& key) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(key);
        // Quit and Save work from every window of the program.
        action->setShortcutContext(Qt::ApplicationShortcut);
        return action;
    };
    // File: Quit is where Linux desktop users look for it, at the end of the File menu.
    QMenu* file = addMenu(QStringLiteral("ファイル"));
    file->setObjectName(QStringLiteral("UntitledMenu1"));
    file->menuAction()->setObjectName(QStringLiteral("UntitledMenu1"));
    addItem(file, "svdt", QStringLiteral("画像保存"), QKeySequence::Save);
    addItem(file, "openScene", QStringLiteral("場面を開く…"), QKeySequence::Open);
    addItem(file, "saveScene", QStringLiteral("場面を保存…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    addItem(file, "answerSave", QStringLiteral("答えを保存…"), {});
    file->addSeparator();
    // The picture folders in the desktop's file manager, to add or remove pictures.
    addItem(file, "openSourceFolder", QStringLiteral("画像フォルダを開く"), {});
    addItem(file, "openBackgroundFolder", QStringLiteral("背景フォルダを開く"), {});
    file->addSeparator();
    // Ctrl+Q itself: not every platform theme binds the standard Quit key.
    QAction* quit = addItem(file, "FileQuit", QStringLiteral("終了"), QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setMenuRole(QAction::QuitRole);

    QMenu* edit = addMenu(QStringLiteral("編集"));
    edit->setObjectName(QStringLiteral("UntitledMenu0"));
    edit->menuAction()->setObjectName(QStringLiteral("UntitledMenu0"));
    // Undo and redo of the scene's steps; their captions name the step.
    addItem(edit, "undo", QStringLiteral("元に戻す"), QKeySequence::Undo)->setEnabled(false);
    addItem(edit, "redo", QStringLiteral("やり直し"), QKeySequence::Redo)->setEnabled(false);
    edit->addSeparator();
    addItem(edit, "settei", QStringLiteral("設定"), {});
    // Views beyond the Display command, each off at start.
    edit->addSeparator();
    for (const auto& [name, caption] : { std::pair { "liveView", QStringLiteral("ライブ表示") },
             std::pair { "answerView", QStringLiteral("答えを表示") },
             std::pair { "highQuality", QStringLiteral("高画質") },
             // The background is a depth picture of the kind 3D programs make: lighter is nearer.
             std::pair { "lighterNear", QStringLiteral("明るいほど手前") } })
        addItem(edit, name, caption, {})->setCheckable(true);

    // About and Support go to the Help menu, as on other Linux desktop programs.
    QMenu* help = addMenu(QStringLiteral("ヘルプ"));
    help->setObjectName(QStringLiteral("HelpMenu"));
    addItem(help, "apple_kanpa", QStringLiteral("カンパ（寄付）する"), {});
    help->addSeparator();
    addItem(help, "apple_about", QStringLiteral("「Voleta」について"), {})->setMenuRole(QAction::AboutRole);
}

QAction* Menu::item(const QString& name) const
{
    return findChild<QAction*>(name);
}
