// The main window's picture folders, opened in the file manager.
#include "main_window/Window1.h"

#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "scene/Messages.h"

#include <QUrl>

bool Window1::openSourceFolder()
{
    openFolder(platform::sourceFolder(), platform::pictureFolders().source.path, platform::kSourceFolderName);
    return false;
}

bool Window1::openBackgroundFolder()
{
    openFolder(
        platform::backgroundFolder(), platform::pictureFolders().background.path, platform::kBackgroundFolderName);
    return false;
}

// Opens `folder` in the file manager; when it is gone, says so with the place it had.
void Window1::openFolder(const QString& folder, const QString& path, const QString& name)
{
    if (folder.isEmpty()) {
        platform::dialogs().message(scene::messages::folderNotFound(name == platform::kSourceFolderName, path));
        return;
    }
    platform::dialogs().openUrl(QUrl::fromLocalFile(folder));
}
