// The main window: shows the composed stereogram at half size, holds the whole
// rendering state, and runs the opening sequence that sets the program up.
#pragma once

#include "render/DepthArray.h"
#include "render/StageCache.h"
#include "text/TextLayer.h"

#include <QElapsedTimer>
#include <QImage>
#include <QMainWindow>

class QTimer;

class Canvas;
class Oval;
class QPushButton;

class Window1 : public QMainWindow {
    Q_OBJECT
public:
    // The single instance: the first reference creates it and runs the opening sequence.
    static Window1* instance();
    static Window1* existing(); // nullptr before the first reference
    // Tests only: drops the main and settings windows so the next reference starts afresh.
    static void destroyInstances();

    // Controls, named as the handlers find them.
    Oval* Oval1; // left guide dot
    Oval* Oval2; // right guide dot, one repeat distance (at half scale) to the right
    Canvas* Canvas1; // the composed picture at half size
    QPushButton* PushButton1; // 設　定: shows the settings window again
    QPushButton* PushButton2; // 画像 保存
    Canvas* Canvas3; // the chosen source picture, inside Canvas1
    QPushButton* PushButton3; // 画像 印刷

    // Working pictures and the depth array.
    QImage bu1; // the composed picture, 1920 x 1280
    QImage bu2; // the working area: map crop during a Display, otherwise the text mask
    render::DepthArray a;

    // Hk: 1 parallel, -1 crossed viewing. kt: map relief factor in half steps.
    int Hk = 0, kt = 0;
    int k1 = 0, k2 = 0, k3 = 0; // text line depths of the last Display
    // The three text lines' sizes in mask pixels, offsets, italic and bold flags (1 = on)
    // (historically x1..x3, y1..y3, ts1..ts3, it1..it3, ft1..ft3). Their texts and fonts
    // live in the settings window's fields and lists.
    text::Lines textLines;

    // Whether the Display command drew a usable map crop into bu2 this time.
    bool mapCropReady = false;

    void keisan(); // writes each text line's depth under its mask pixels
    void hyouji(); // composes the stereogram into bu1 and shows it
    void iti(); // lays out and draws the text lines into the mask and the preview
    void svjpg(); // saves bu1 as a JPEG or PNG file
    void tizu(); // fills the depth array: flat, or the relief of the map crop
    void insatu(); // prints bu1 on one page

    // The three text lines as the drawing needs them: the state above with the texts
    // and fonts of the settings window.
    text::Lines lines() const;
    // Line n (1..3) of the state above, for the handlers that act the same on every line.
    text::Line& line(int n) { return textLines[n - 1]; }

    // The views of the 編集 menu, each off at start. Live view recomposes the picture
    // after every change of the settings; the answer view shows the hidden depth in
    // place of the stereogram; high quality composes with the symmetric links (the
    // Display command, live view and the CLI alike).
    void setLiveView(bool on);
    void setAnswerView(bool on);
    void setHighQuality(bool on);
    bool highQuality() const { return quality; }
    // Asks for a live composition; nothing while live view is off. Requests made
    // before it runs are answered by one composition of the settings as they are then.
    void requestLive();
    void saveAnswer(); // saves the answer picture of bu1's depth as a PNG file

    void PushButton1_Action();
    void PushButton2_Action();
    void PushButton3_Action();
    bool FileQuit();
    bool svdt();
    bool settei();
    bool openSourceFolder(); // the picture folders in the desktop's file manager
    bool openBackgroundFolder();

    // The accepted pictures of a folder, in list order: ".jpg" in any letter case, and in
    // the source folder also ".png" and the old ".pict"/".pct" pictures.
    static QStringList listPictures(const QString& folder, bool sourceFolder);
    // Brings both lists up to date with their folders without running a Change handler
    // and without changing which file is chosen. Run after a folder changes, once per
    // burst of changes.
    void rescanFolders();
    bool rescanPending() const; // a folder changed and its rescan is waiting

Q_SIGNALS:
    // The composed picture was shown in Canvas1 after `row` (-1: the finished picture).
    void pictureShown(int row);
    void foldersRescanned();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    Window1();
    QImage strip; // the pattern strip of the source picture whose cacheKey is stripSource
    qint64 stripSource = 0;
    void Open();
    void composeLive();
    // Shows bu1 in Canvas1, or its answer picture while the answer view is on.
    void showComposed();

    bool live = false, showAnswer = false, quality = false;
    render::StageCache liveStages; // the stages of the live view's last composition
    QTimer* liveTimer; // single shot, zero delay: the one waiting live composition
    bool displaying = false; // the Display command composes; live requests wait for it
    bool liveAfterDisplay = false; // a change came while it did
    int composedCount = 0; // pictures composed into bu1 so far (Display or live)
    QImage answer; // the answer picture of the composition numbered answerOf
    int answerOf = -1;
    // The answer picture of the depth array, made once per composition.
    const QImage& answerPicture();
    bool scanFolder(const QString& folder, bool sourceFolder, class PopupMenu* list, const QString& missing);
    void reportSeededFolders();
    void openFolder(const QString& folder, const QString& path, const QString& name);

    // Following the folders while the program runs.
    class QFileSystemWatcher* folderWatcher = nullptr;
    class QTimer* rescanTimer = nullptr;
    QElapsedTimer pendingSince; // since the first change of the waiting rescan
    bool rescanning = false;
    bool vanishedRowListed = false; // a chosen row whose file is gone is still listed
    void watchFolders();
    void folderChanged();
    bool followFolder(const QString& folder, bool sourceFolder, class PopupMenu* list);
};
