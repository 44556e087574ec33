// Scene files: a scene as UTF-8 JSON (".voleta"), read with what was wrong when it
// cannot be, and written through the safe writer.
#pragma once

#include "platform/Files.h"
#include "scene/SceneState.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace scene {

enum class SceneFileError { Unreadable, TooLarge, NotJson, NotAScene, NewerVersion, BadValue };
struct SceneFileResult {
    std::optional<SceneState> state; // set when the file was read
    SceneFileError error = SceneFileError::Unreadable;
    QString detail; // what was wrong: the key at fault, the version found, the system's text
    bool ok() const { return state.has_value(); }
};
constexpr qint64 kSceneFileLimit = 1024 * 1024; // larger files are not scenes
SceneFileResult readSceneFile(const QString& path);
SceneFileResult parseScene(const QByteArray& bytes);
QByteArray sceneJson(const SceneState& state);
std::optional<platform::Failure> writeSceneFile(const SceneState& state, const QString& path); // safe writer

} // namespace scene
