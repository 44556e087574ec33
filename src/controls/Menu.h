// The program's menu tree, built once and shown by the main window. Every item has a
// typed handle, so the windows and app/ connect to an item, never look one up by name.
#pragma once

#include <QMenuBar>

class QAction;
class QMenu;

// The items, menu by menu, in the order they are shown.
struct MenuItems {
    // ファイル
    QAction* svdt; // 画像保存
    QAction* openScene; // 場面を開く…
    QAction* saveScene; // 場面を保存…
    QAction* answerSave; // 答えを保存…, once a picture is composed
    QAction* anaglyphSave; // アナグリフを保存…, likewise
    QAction* pairSave; // ステレオペアを保存…, likewise
    QAction* printPreview; // 印刷プレビュー…, once a picture is composed
    QAction* openSourceFolder; // 画像フォルダを開く
    QAction* openBackgroundFolder; // 背景フォルダを開く
    QAction* FileQuit; // 終了
    // 編集
    QAction* undo; // 元に戻す, named after the step
    QAction* redo; // やり直し
    QAction* copyPicture; // コピー: the picture shown, once one is composed
    QAction* pastePicture; // 貼り付け
    QAction* settei; // 設定
    QAction* liveView; // the views, each checkable and off at start
    QAction* answerView;
    QAction* anaglyphView; // the scene for red-cyan glasses
    QAction* pairView; // the scene's two views side by side
    QAction* highQuality;
    QAction* lighterNear; // 明るいほど手前: the background read as a depth picture
    QAction* keepAspect; // 縦横比を保つ: the background at its own proportions, centred
    // ヘルプ
    QAction* apple_kanpa; // カンパ（寄付）する
    QAction* apple_about; // 「Voleta」について
};

class Menu : public QMenuBar {
    Q_OBJECT
public:
    // The single instance, built on the first request.
    static Menu* instance();
    const MenuItems& items() const { return handles; }
    QMenu* fileMenu() const { return file; }
    QMenu* editMenu() const { return edit; }

private:
    Menu();
    MenuItems handles {};
    QMenu* file;
    QMenu* edit;
};
