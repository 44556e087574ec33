#include "controls/Menu.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

Menu* Menu::instance()
{
    static QPointer<Menu> menu;
    if (!menu) menu = new Menu;
    return menu;
}

Menu::Menu()
{
    setObjectName(QStringLiteral("Menu"));
    // Most items work from every window of the program; copy and paste only while the
    // main window is active, so the settings window's text fields keep their own.
    auto add = [](QMenu* menu, const char* name, const QString& caption, const QList<QKeySequence>& keys = {},
                   Qt::ShortcutContext context = Qt::ApplicationShortcut) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcuts(keys);
        action->setShortcutContext(context);
        return action;
    };
    const auto standard = [](QKeySequence::StandardKey key) { return QKeySequence::keyBindings(key); };
    MenuItems& m = handles;

    // File: Quit is where Linux desktop users look for it, at the end of the File menu.
    file = addMenu(QStringLiteral("ファイル"));
    file->setObjectName(QStringLiteral("UntitledMenu1"));
    file->menuAction()->setObjectName(QStringLiteral("UntitledMenu1"));
    m.svdt = add(file, "svdt", QStringLiteral("画像保存"), standard(QKeySequence::Save));
    m.openScene = add(file, "openScene", QStringLiteral("場面を開く…"), standard(QKeySequence::Open));
    m.saveScene
        = add(file, "saveScene", QStringLiteral("場面を保存…"), { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S) });
    m.answerSave = add(file, "answerSave", QStringLiteral("答えを保存…"));
    m.anaglyphSave = add(file, "anaglyphSave", QStringLiteral("アナグリフを保存…"));
    m.pairSave = add(file, "pairSave", QStringLiteral("ステレオペアを保存…"));
    m.printPreview = add(file, "printPreview", QStringLiteral("印刷プレビュー…"));
    file->addSeparator();
    // The picture folders in the desktop's file manager, to add or remove pictures.
    m.openSourceFolder = add(file, "openSourceFolder", QStringLiteral("画像フォルダを開く"));
    m.openBackgroundFolder = add(file, "openBackgroundFolder", QStringLiteral("背景フォルダを開く"));
    file->addSeparator();
    // Ctrl+Q itself: not every platform theme binds the standard Quit key.
    m.FileQuit = add(file, "FileQuit", QStringLiteral("終了"), { QKeySequence(Qt::CTRL | Qt::Key_Q) });
    m.FileQuit->setMenuRole(QAction::QuitRole);

    edit = addMenu(QStringLiteral("編集"));
    edit->setObjectName(QStringLiteral("UntitledMenu0"));
    edit->menuAction()->setObjectName(QStringLiteral("UntitledMenu0"));
    // Undo and redo of the scene's steps; their captions name the step. Redo answers both
    // keys desktop programs use for it, Ctrl+Y and Ctrl+Shift+Z.
    m.undo = add(edit, "undo", QStringLiteral("元に戻す"), standard(QKeySequence::Undo));
    QList<QKeySequence> redoKeys = standard(QKeySequence::Redo);
    for (const QKeySequence& key :
        { QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z) })
        if (!redoKeys.contains(key)) redoKeys << key;
    m.redo = add(edit, "redo", QStringLiteral("やり直し"), redoKeys);
    edit->addSeparator();
    m.copyPicture
        = add(edit, "copyPicture", QStringLiteral("コピー"), standard(QKeySequence::Copy), Qt::WindowShortcut);
    m.pastePicture
        = add(edit, "pastePicture", QStringLiteral("貼り付け"), standard(QKeySequence::Paste), Qt::WindowShortcut);
    edit->addSeparator();
    m.settei = add(edit, "settei", QStringLiteral("設定"));
    // Views beyond the Display command, each off at start.
    edit->addSeparator();
    m.liveView = add(edit, "liveView", QStringLiteral("ライブ表示"));
    m.answerView = add(edit, "answerView", QStringLiteral("答えを表示"));
    m.anaglyphView = add(edit, "anaglyphView", QStringLiteral("アナグリフを表示"));
    m.pairView = add(edit, "pairView", QStringLiteral("ステレオペアを表示"));
    m.highQuality = add(edit, "highQuality", QStringLiteral("高画質"));
    // The background is a depth picture of the kind 3D programs make: lighter is nearer.
    m.lighterNear = add(edit, "lighterNear", QStringLiteral("明るいほど手前"));
    // A background of another shape than the area keeps its proportions, centred.
    m.keepAspect = add(edit, "keepAspect", QStringLiteral("縦横比を保つ"));
    for (QAction* view :
        { m.liveView, m.answerView, m.anaglyphView, m.pairView, m.highQuality, m.lighterNear, m.keepAspect })
        view->setCheckable(true);
    // One picture at a time in place of the stereogram: ticking one of these unticks the
    // others, and with none ticked the stereogram shows.
    // (Not an exclusive action group, which would draw them as radio buttons.)
    const QList<QAction*> shownViews { m.answerView, m.anaglyphView, m.pairView };
    for (QAction* view : shownViews)
        connect(view, &QAction::toggled, this, [view, shownViews](bool on) {
            for (QAction* other : shownViews)
                if (on && other != view) other->setChecked(false);
        });
    // What needs a picture or a step waits for one.
    for (QAction* waiting : { m.undo, m.redo, m.answerSave, m.anaglyphSave, m.pairSave, m.printPreview, m.copyPicture })
        waiting->setEnabled(false);

    // About and Support go to the Help menu, as on other Linux desktop programs.
    QMenu* help = addMenu(QStringLiteral("ヘルプ"));
    help->setObjectName(QStringLiteral("HelpMenu"));
    m.apple_kanpa = add(help, "apple_kanpa", QStringLiteral("カンパ（寄付）する"));
    help->addSeparator();
    m.apple_about = add(help, "apple_about", QStringLiteral("「Voleta」について"));
    m.apple_about->setMenuRole(QAction::AboutRole);
}
