// The Japanese words of every failure the program tells its user about, in one place:
// the document, the windows and app/ meet failures as values (platform::Failure, a
// scene file's error) and show what these functions make of them.
#pragma once

#include "platform/Files.h"

#include <QString>
#include <QStringList>

namespace scene {

struct SceneFileResult;

namespace messages {

    // A picture that is not there or cannot be read, wherever it is met.
    QString pictureNotFound();
    // Pictures brought in that are not readable pictures, named.
    QString picturesNotFound(const QStringList& names);
    // A picture folder that is missing at start (the program cannot go on).
    QString folderEmpty(bool sourceFolder);
    // A picture folder that was there and is gone, with the place it had.
    QString folderNotFound(bool sourceFolder, const QString& path = {});
    // Picture folders made empty on this start: no samples installed, or the copy failed
    // (with the system's reason).
    QString foldersMadeEmpty(platform::FolderState why, const QStringList& paths, const QString& reason);

    // Why a file could not be written, as the user can act on it.
    QString writeFailure(platform::FailureKind kind);
    QString pictureNotSaved(platform::FailureKind kind);
    QString sceneNotSaved(platform::FailureKind kind);
    QString pictureNotAdded(bool background, platform::FailureKind kind);
    QString notPrinted();
    QString nothingToPaste();

    // Several scene files dropped at once.
    QString oneSceneAtATime();
    // A scene file that cannot be opened: its name and what is wrong.
    QString sceneNotOpened(const QString& path, const SceneFileResult& result);
    // The pictures a scene names that are not in their folders ("元画像「a.jpg」"), one line each.
    QString scenePicturesMissing(const QStringList& pictures);

} // namespace messages

} // namespace scene
