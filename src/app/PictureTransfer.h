// Pictures in and out of the program beyond the picture folders: files dropped on the
// windows, the clipboard's picture pasted, the shown picture copied, and the print
// preview. Dropped on the settings window or the main window, a picture file goes into
// 画像フォルダ and becomes the pattern; dropped on the map preview or the background
// list, it goes into 背景フォルダ and becomes the background.
#pragma once

#include <QObject>
#include <QStringList>

class QImage;
class QMimeData;

class PictureTransfer : public QObject {
    Q_OBJECT
public:
    // Hooks the current main and settings windows and the menu's print preview, paste
    // and copy; the hooks go with the main window. Run after the main window's opening
    // sequence.
    static PictureTransfer* install();

    // The local picture files a drop or the clipboard carries: file URLs, scene files
    // (".voleta", opened elsewhere) left out. `sceneFile` tells whether one was there.
    static QStringList pictureFiles(const QMimeData* mime, bool* sceneFile = nullptr);

    // Copies the files into a picture folder and chooses the last one copied; says
    // which could not be read or written.
    void bringIn(const QStringList& files, bool background);
    // Writes a picture into a picture folder under `stem` and the time, and chooses it.
    void bringInPicture(const QImage& picture, const QString& stem, bool background);

    void paste(); // 編集 → 貼り付け
    void copy(); // 編集 → コピー
    void preview(); // ファイル → 印刷プレビュー…

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit PictureTransfer(QObject* parent);
    void hook();
};
