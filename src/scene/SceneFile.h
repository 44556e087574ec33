// Scene files (.voleta): a SceneState as indented UTF-8 JSON, with a format name and a
// version number, read back only when every value is one the controls can show.
//
// The file holds an object with the keys (written in this stable, alphabetical order):
//   background     the background's file name in 背景フォルダ ("" = none chosen)
//   exportSizeRow  0..5                      (optional, start value 0)
//   flat           true/false: the background is the flat plane (optional: a file
//                  written before the key is flat exactly when its background names
//                  the background folder's first entry, or none; see settleFlat)
//   format         "voleta-scene"
//   heightRow      0..5
//   keepAspect     true/false                (optional, start value false; written
//                  only when true, so a scene without it reads as before)
//   lighterNear    true/false                (optional, start value false)
//   lines          3 objects {bold, depth -18..18, font, italic, size 280, 320 .. 800,
//                  sizeRow 0..13, text, x, y}
//   nearFarRows    [2 rows 0..20]            (optional, start values)
//   pan            {x, y}
//   pattern        the source picture's file name in 画像フォルダ ("" = none chosen)
//   quality        true/false                (optional, start value false)
//   relief         1..6
//   version        1
//   viewing        "parallel" or "crossed"
//   zoomRow        0..5
// Offsets and pan stay within ±kSceneOffsetLimit; texts are at most kSceneTextLimit
// characters, font names kSceneFontLimit; picture names are plain file names, so a
// scene can never make the program read outside the picture folders. Keys a file does
// not know are ignored.
#pragma once

#include "platform/Files.h"
#include "scene/SceneState.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace scene {

// NotJson: not a JSON text at all; Damaged: the start of a scene, broken or cut short.
enum class SceneFileError { Unreadable, TooLarge, NotJson, Damaged, NotAScene, NewerVersion, BadValue };

struct SceneFileResult {
    std::optional<SceneState> state; // set when the file was read
    SceneFileError error = SceneFileError::Unreadable;
    QString detail; // what was wrong: the key at fault, the version found, the system's text
    // Why an Unreadable file could not be read: Missing, NotAFile, NoPermission, or
    // WriteFailed for any other failure of the system.
    platform::FailureKind reason = platform::FailureKind::WriteFailed;
    // Whether the file had the "flat" key. Without it state->flat is a guess (true only
    // for an empty background) until settleFlat has seen the background folder.
    bool flatGiven = false;
    bool ok() const { return state.has_value(); }
};

constexpr qint64 kSceneFileLimit = 1024 * 1024; // larger files are not scenes
constexpr int kSceneVersion = 1; // the version this program writes and the newest it reads
inline const QString kSceneFormatName = QStringLiteral("voleta-scene");
inline const QString kSceneSuffix = QStringLiteral("voleta");
// Far enough to move a line or the map crop anywhere (the arrows move 3 a click), small
// enough that no sum overflows; the same bound as voleta-render's --offsetN and --pan.
constexpr int kSceneOffsetLimit = 1000000;
constexpr int kSceneTextLimit = 10000; // characters of one line's text
constexpr int kSceneFontLimit = 256; // characters of a font family name

SceneFileResult readSceneFile(const QString& path);
SceneFileResult parseScene(const QByteArray& bytes);
QByteArray sceneJson(const SceneState& state);
// Writes through the safe writer: a failed write leaves no truncated or replaced file.
std::optional<platform::Failure> writeSceneFile(const SceneState& state, const QString& path);

// The key path ("lines[2].depth", "pattern") of the first value of `state` that no
// control can show, so a file holding it would be refused; empty when every value is fine.
QString badValueKey(const SceneState& state);

// Settles whether a scene read from a file without the "flat" key is the flat plane:
// exactly when its background names the background folder's first entry
// (`firstBackground`, see below) or none. A file with the key, or a failed read, is left
// as it is. Every reader of scene files calls it before using the state.
void settleFlat(SceneFileResult& read, const QString& firstBackground);

// The first entry the background list shows for `folder` (the one that stands for the
// flat plane): the first by name that the folder scan lists. Empty when there is none.
QString firstBackground(const QString& folder);

// Whether `name` can name a picture inside a picture folder: a plain file name.
bool isPlainFileName(const QString& name);

} // namespace scene
