// The scene model: what each user edit changes, how edits become undo steps, and undo
// and redo against hand-worked states.
#include "scene/FolderModel.h"
#include "scene/PictureLibrary.h"
#include "scene/SceneFile.h"
#include "scene/SceneModel.h"
#include "support/Pictures.h"

#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <functional>

using scene::SceneModel;
using Edit = std::function<void(SceneModel&)>;
Q_DECLARE_METATYPE(Edit)

namespace {

using testing::writePicture;

// A document over the picture folders as they are now.
struct Document : SceneModel {
    Document() { folders()->rescan(); }
};

// Opens the start scene changed by `change`, written to a scene file.
void openScene(SceneModel& m, const std::function<void(scene::SceneState&)>& change)
{
    scene::SceneState s = scene::startScene();
    change(s);
    QTemporaryDir files;
    QVERIFY(!scene::writeSceneFile(s, files.filePath("s.voleta")));
    QVERIFY(m.open(files.filePath("s.voleta")));
}

// The parts the document announced since the spy was last read.
int partsSeen(QSignalSpy& spy)
{
    int parts = 0;
    for (const QList<QVariant>& args : spy)
        parts |= int(args.at(0).value<SceneModel::Parts>());
    spy.clear();
    return parts;
}

} // namespace

class TestModel : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString source(const QString& name) const { return dir.filePath("画像フォルダ/" + name); }
    QString background(const QString& name) const { return dir.filePath("背景フォルダ/" + name); }

private Q_SLOTS:
    // The picture folders every document here reads: patterns, the flat plane's file and
    // maps of hand-picked sizes.
    void initTestCase()
    {
        QVERIFY(testing::writePictures(source(""), { "p.png", "q.png" }, { 8, 8 }, 1));
        QVERIFY(testing::writePictures(background(""), { "0.jpg", "m.jpg" }, { 90, 90 }, 2));
        QVERIFY(writePicture(background("hills.jpg"), { 1000, 800 }, qRgb(0, 0, 40)));
        QVERIFY(writePicture(background("small.jpg"), { 600, 480 }, 3));
        platform::usePictureFolders({ { source(""), platform::FolderState::Existing, {} },
            { background(""), platform::FolderState::Existing, {} } });
    }

    // Each edit announces the parts it changes and nothing else.
    void changeFlags_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<int>("parts");
        using M = SceneModel;
        const auto row = [](const char* name, int parts, Edit e) { QTest::newRow(name) << e << parts; };
        row("depth", M::Depths, [](M& m) { m.setDepth(0, -4); });
        row("pan alone", M::ZoomPan, [](M& m) { m.pan({ 0, 3 }); });
        // A scene file can differ from the start in one field no control sets alone.
        using S = scene::SceneState&;
        row("a scene with relief 5 at the same height row", M::Height,
            [](M& m) { openScene(m, [](S s) { s.kt = 5; }); });
        row("a scene with export size row 4", M::Lists, [](M& m) { openScene(m, [](S s) { s.exportSizeRow = 4; }); });
    }
    void changeFlags()
    {
        QFETCH(Edit, edit);
        QFETCH(int, parts);
        Document model;
        QSignalSpy spy(&model, &SceneModel::changed);
        edit(model);
        QCOMPARE(partsSeen(spy), parts);
        while (model.undoStack()->canUndo()) // undo announces the same parts
            model.undoStack()->undo();
        QCOMPARE(partsSeen(spy), parts);
        QCOMPARE(model.state(), scene::startScene());
    }

    // How edits make steps: typing into one line merges until another control is used.
    void steps_data()
    {
        QTest::addColumn<Edit>("edits");
        QTest::addColumn<QStringList>("texts"); // of the steps, oldest first
        using M = SceneModel;
        const auto row = [](const char* name, const QStringList& texts, Edit e) { QTest::newRow(name) << e << texts; };
        row("line 1 then line 2", { "上段の文字", "中段の文字" }, [](M& m) { m.typeText(0, "a"), m.typeText(1, "b"); });
        row("typing, Display, typing", { "元画像", "中段の文字", "中段の文字" },
            [](M& m) { m.choosePattern("p.png"), m.typeText(1, "a"), m.prepareDisplay(), m.typeText(1, "ab"); });
        row("typed back to the start", {}, [](M& m) { m.typeText(0, "Voletax"), m.typeText(0, "Voleta"); });
        row("two drags", { "中段の遠近", "中段の遠近" }, [](M& m) {
            for (int drag = 0; drag < 2; ++drag) {
                m.beginDrag(1);
                for (int v : { 1, 2, 3 })
                    m.setDepth(1, v * (drag + 1));
                m.endDrag();
            }
        });
        row("a drag back where it began", {},
            [](M& m) { m.beginDrag(0), m.setDepth(0, 0), m.setDepth(0, 6), m.endDrag(); });
        row("font, zoom, height", { "下段のフォント", "縮尺", "高低差" },
            [](M& m) { m.chooseFont(2, "Sans"), m.chooseZoom(1), m.chooseHeight(0); });
        // The lists beyond the settings window's edge make no step, and undo leaves them.
        row("lists beyond the edge", { "高低差" }, [](M& m) {
            m.chooseExportSize(3), m.chooseNearFar(1, 2), m.chooseHeight(0), m.undoStack()->undo();
            QCOMPARE(m.state().exportSizeRow, 3);
            QCOMPARE(m.state().nearFarRows[1], 2);
        });
        row("the same value again", {}, [](M& m) { m.chooseMethod(0); });
        row("only the last hundred kept", QStringList(100, "高低差"), [](M& m) {
            for (int i = 0; i < 101; ++i)
                m.chooseHeight(i % 2);
        });
    }
    void steps()
    {
        QFETCH(Edit, edits);
        QFETCH(QStringList, texts);
        Document model;
        edits(model);
        QStringList seen;
        for (int i = 0; i < model.undoStack()->count(); ++i)
            if (!model.undoStack()->command(i)->isObsolete()) seen << model.undoStack()->text(i);
        QCOMPARE(seen, texts);
    }

    // The pan stays inside the map however it comes: the arrows, a smaller map, an opened
    // scene (500 x 400 of a 1000 x 800 map at 2 x reaches 250, 200; 300 x 240 of 600 x
    // 480 reaches 150, 120); back at 1 x it is 0.
    void pan_data()
    {
        QTest::addColumn<Edit>("edits");
        QTest::addColumn<QPoint>("pan");
        using M = SceneModel;
        const auto hills = [](M& m) { m.chooseBackground("hills.jpg", false), m.chooseZoom(2); };
        QTest::newRow("the arrows stop at the edge") << Edit([=](M& m) {
            hills(m);
            for (int i = 0; i < 100; ++i)
                m.pan({ 3, -3 });
        }) << QPoint(250, -200);
        QTest::newRow("a smaller map pulls it in") << Edit([=](M& m) {
            hills(m), m.pan({ 240, 150 }), m.chooseBackground("small.jpg", false);
        }) << QPoint(150, 120);
        QTest::newRow("an opened scene's, at once") << Edit([](M& m) {
            openScene(m, [](scene::SceneState& s) {
                s.background = "hills.jpg", s.flat = false, s.zoomRow = 2, s.pan = { 5000, -5000 };
            });
        }) << QPoint(250, -200);
        QTest::newRow("back at 1 x") << Edit([](M& m) {
            m.chooseZoom(2), m.pan({ 3, 0 }), m.chooseZoom(0);
        }) << QPoint();
    }
    void pan()
    {
        QFETCH(Edit, edits);
        Document model;
        edits(model);
        QTEST(model.state().pan, "pan");
    }

    // Display takes the pictures as their files are now: the pattern rewritten is read
    // again; the map rewritten smaller pulls the pan in
    // (300 x 240 of 600 x 480 at 2 x reaches 150, 120); gone, it is said, and no relief
    // and no pan are left.
    void display()
    {
        QVERIFY(writePicture(background("re.jpg"), { 1000, 800 }, 4) && writePicture(source("re.png"), { 8, 8 }, 1));
        const auto removeAgain
            = qScopeGuard([this] { QFile::remove(background("re.jpg")), QFile::remove(source("re.png")); });
        Document model;
        model.choosePattern("re.png");
        QTest::qWait(20); // a file time of its own
        QVERIFY(writePicture(source("re.png"), { 8, 8 }, 9));
        QVERIFY(model.prepareDisplay()); // over the flat plane
        QCOMPARE(model.pattern().pixel(0, 0), qRgb(0, 0, 9));
        model.chooseBackground("re.jpg", false);
        model.chooseZoom(2);
        model.pan({ 240, 150 });
        QSignalSpy failed(&model, &SceneModel::failed);
        QVERIFY(writePicture(background("re.jpg"), { 600, 480 }, 4));
        QVERIFY(model.prepareDisplay());
        QCOMPARE(model.state().pan, QPoint(150, 120));
        QCOMPARE(model.map().size(), QSize(600, 480));
        QVERIFY(QFile::remove(background("re.jpg")));
        QVERIFY(model.prepareDisplay());
        QCOMPARE(model.state().pan, QPoint());
        QVERIFY(model.map().isNull());
        QCOMPARE(failed.count(), 1);
    }

    // Pictures that are not there: a scene naming them opens with the lists' choices kept
    // and says which are missing; a map that cannot be read is chosen with a word.
    void picturesMissing()
    {
        Document model;
        model.choosePattern("p.png");
        QSignalSpy failed(&model, &SceneModel::failed);
        openScene(
            model, [](scene::SceneState& s) { s.pattern = "gone.png", s.background = "gone.jpg", s.flat = false; });
        QCOMPARE(model.state().pattern, QString("p.png"));
        QVERIFY(model.flatPlane());
        model.chooseBackground("gone.jpg", false);
        QCOMPARE(failed.count(), 2);
        QCOMPARE(failed[0][0].toString(),
            QString("場面の元画像「gone.png」が見つかりません\n場面の背景「gone.jpg」が見つかりません"));
        QCOMPARE(failed[1][0].toString(), QString("画像が見つかりません"));
    }

    // A picture rewritten on disk under the same name is read again and announced.
    void rewritten()
    {
        Document model;
        model.choosePattern("q.png");
        QSignalSpy spy(&model, &SceneModel::changed);
        QTest::qWait(20); // a file time of its own
        QVERIFY(writePicture(source("q.png"), { 8, 8 }, qRgb(9, 9, 9)));
        const auto restoreFile = qScopeGuard([this] { writePicture(source("q.png"), { 8, 8 }, 1); });
        model.folders()->rescan();
        QCOMPARE(partsSeen(spy), int(SceneModel::Pattern));
        QCOMPARE(model.pattern().pixel(0, 0), qRgb(9, 9, 9));
    }

    // A start takes the second source picture and the flat plane. The flat plane is the
    // scene's own: a scene saved flat opens flat, with no picture, after a picture that
    // sorts first was added to the background folder.
    void startAndFlatPlane()
    {
        Document model;
        QVERIFY(model.start());
        QCOMPARE(model.undoStack()->count(), 0); // nothing to undo
        QCOMPARE(model.state().pattern, QString("q.png"));
        QCOMPARE(model.state().background, QString("0.jpg"));
        QVERIFY(model.flatPlane());
        QVERIFY(writePicture(background("00.jpg"), { 90, 90 }, 7));
        const auto removeAgain = qScopeGuard([this] { QFile::remove(background("00.jpg")); });
        model.chooseBackground("m.jpg", false);
        openScene(model, [](scene::SceneState& s) { s.background = "0.jpg"; });
        QVERIFY(model.flatPlane());
        QVERIFY(model.map().isNull());
        QVERIFY(model.backgroundPicture().isNull()); // nor any picture in the preview
    }
};

QTEST_GUILESS_MAIN(TestModel)
#include "test_model.moc"
