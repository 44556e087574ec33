// Pictures and scenes into and out of the program beyond the picture folders: every drop
// on the windows, the clipboard's picture pasted, the shown picture copied, and the print
// preview. Dropped on the settings window, its text fields or the main window, a picture
// file goes into 画像フォルダ and becomes the pattern; dropped on the map preview or the
// background list, it goes into 背景フォルダ and becomes the background; a scene file
// dropped anywhere opens.
#pragma once

#include <QObject>
#include <QStringList>
#include <functional>

class QImage;
class QMimeData;
class QWidget;
class Window1;
class Window2;
namespace scene {
class SceneModel;
} // namespace scene

class PictureTransfer : public QObject {
    Q_OBJECT
public:
    // Hooks the windows' drops and the menu's print preview, paste and copy; `openScene`
    // opens a dropped scene file.
    PictureTransfer(scene::SceneModel* model, Window1* main, Window2* settings,
        std::function<bool(const QString&)> openScene, QObject* parent);

    // The local files a drop or the clipboard carries: pictures (anything else) and
    // scene files (".voleta", any letter case).
    struct Files {
        QStringList pictures;
        QStringList scenes;
    };
    static Files carriedFiles(const QMimeData* mime);

    // Copies the files into a picture folder and chooses the last one; a file already in
    // that folder is chosen as it is. Says which could not be read or written.
    void bringIn(const QStringList& files, bool background);
    // Writes a picture into a picture folder under `stem` and the time, and chooses it.
    void bringInPicture(const QImage& picture, const QString& stem, bool background);

    void paste(); // 編集 → 貼り付け
    void copy(); // 編集 → コピー
    void preview(); // ファイル → 印刷プレビュー…

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    scene::SceneModel* model;
    Window1* main;
    Window2* settings;
    std::function<bool(const QString&)> openScene;
    QList<QWidget*> backgroundTargets, textFields;

    void choose(const QString& name, bool background);
    // What a drop carries: the pictures brought in, then the one scene opened.
    void take(const QMimeData* mime, bool background);
};
