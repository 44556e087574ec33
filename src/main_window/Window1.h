// The main window: shows the scene document's stereogram at half size, composed by the
// Display command or by live view.
#pragma once

#include "render/DepthArray.h"
#include "render/Engine.h"
#include "render/StageCache.h"
#include "render/StereoViews.h"
#include "scene/SceneModel.h"

#include <QImage>
#include <QMainWindow>
#include <functional>

class QPainter;
class QTimer;

class Canvas;
class Oval;
class QPushButton;

class Window1 : public QMainWindow {
    Q_OBJECT
public:
    // The window over a scene model that outlives it; the opening sequence is run by
    // whoever makes the windows.
    explicit Window1(scene::SceneModel* model);

    // What the window shows and holds, read-only.
    const QImage& picture() const { return bu1; } // the composed picture, 1920 x 1280
    const render::DepthArray& depth() const { return liveStages.depth(); } // of the last composition

    void hyouji(); // composes the model's stereogram into bu1 and shows it, row by row
    void svjpg(); // saves bu1 as a JPEG or PNG file
    void insatu(); // prints bu1 on one page

    // The views of the 編集 menu, each off at start. Live view recomposes the picture
    // after every change of the scene; the answer view shows the hidden depth in place
    // of the stereogram; high quality composes with the symmetric links (the Display
    // command, live view and the CLI alike).
    void setLiveView(bool on);
    void setAnswerView(bool on);
    void setHighQuality(bool on);
    void setLighterNear(bool on); // 明るいほど手前: the background read as a depth picture
    void setKeepAspect(bool on); // 縦横比を保つ: the background at its own proportions
    // Asks for a live composition; nothing while live view is off. Requests made
    // before it runs are answered by one composition of the scene as it is then.
    void requestLive();
    void saveAnswer(); // saves the answer picture of bu1's depth as a PNG file
    // The scene in depth for those who cannot free-view: the anaglyph for red-cyan
    // glasses, or the two views side by side, shown in place of the stereogram (one view
    // at a time: the menu unticks the others), saved as PNG files, and printed by 画像 印刷
    // while shown.
    void setAnaglyphView(bool on);
    void setPairView(bool on);
    void saveAnaglyph();
    void savePair();
    // What 画像 印刷 and the print preview print: the anaglyph or the pair while that
    // view is shown, the stereogram otherwise.
    const QImage& printedPicture();

    void PushButton1_Action();
    void PushButton2_Action();
    void PushButton3_Action();
    bool FileQuit();
    bool svdt();
    bool settei();
    bool openSourceFolder(); // the picture folders in the desktop's file manager
    bool openBackgroundFolder();

    // The Display command from the settings window: the picture buttons come on and the
    // model's scene is composed. Asked while a Display runs (its rows let events
    // through), it is composed after that one.
    void display();
    void enableSettingsButton();
    // An opened scene shown at once: composed as a Display composes, the save and print
    // buttons on; the Settings button keeps its own rules.
    void showOpenedScene();

    // The picture shown at full size: the stereogram, or the answer picture, the
    // anaglyph or the pair in those views; nullptr before the first picture.
    const QImage* shownPicture() const;
    // Asked before the program quits (終了, closing the window): false keeps it running.
    void setQuitGuard(std::function<bool()> guard) { quitGuard = std::move(guard); }

Q_SIGNALS:
    // The composed picture was shown in Canvas1 after `row` (-1: the finished picture).
    void pictureShown(int row);
    // The Settings button or the 設定 command asks for the settings window.
    void settingsButtonPressed();
    void settingsCommand();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    scene::SceneModel* model;

    Oval* Oval1; // left guide dot
    Oval* Oval2; // right guide dot, one repeat distance (at half scale) to the right
    Canvas* Canvas1; // the composed picture at half size
    QPushButton* PushButton1; // 設　定: shows the settings window again
    QPushButton* PushButton2; // 画像 保存
    Canvas* Canvas3; // the chosen source picture, inside Canvas1
    QPushButton* PushButton3; // 画像 印刷

    QImage bu1; // the composed picture, 1920 x 1280

    void sceneChanged(scene::SceneModel::Parts parts);
    void composeLive();
    // Shows bu1 in Canvas1, or its answer picture while the answer view is on.
    void showComposed();
    // What waits for the running Display: another Display, saves and prints.
    void whenComposed(std::function<void()> step);

    bool live = false, showAnswer = false;
    bool showAnaglyph = false, showPair = false;
    render::StereoViews views; // the two views of the composition numbered viewsOf
    int viewsOf = -1;
    QImage anaglyph, pair; // made from them once per composition
    int anaglyphOf = -1, pairOf = -1;
    const render::StereoViews& stereoViews();
    const QImage& anaglyphPicture();
    const QImage& pairPicture();
    // The anaglyph or the pair while one of them is shown; nullptr otherwise.
    const QImage* views3dShown();
    // Canvas1's painting: the picture shown over the whole canvas, the pair in its own shape.
    void paintCanvas1(QPainter& p);
    render::StageCache liveStages; // the stages of the last composition, Display or live
    QTimer* liveTimer; // single shot, zero delay: the one waiting live composition
    bool displaying = false; // the Display command composes; live requests wait for it
    bool liveAfterDisplay = false; // a change came while it did
    bool displayAfterDisplay = false; // so did another Display command
    std::vector<std::function<void()>> afterDisplay; // saves and prints asked meanwhile
    int composedCount = 0; // pictures composed into bu1 so far (Display or live)
    int composedHk = 1; // the viewing sign of that picture: the answer picture shades by it
    QImage answer; // the answer picture of the composition numbered answerOf
    int answerOf = -1;
    // The answer picture of the depth array, made once per composition.
    const QImage& answerPicture();
    // The name offered for the picture: from the source picture's name and the lines.
    QString suggestedName() const;
    void openFolder(const QString& folder, const QString& path, const QString& name);

    std::function<bool()> quitGuard;
};
