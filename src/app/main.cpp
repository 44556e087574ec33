#include "app/Class1.h"
#include "app/CommandLine.h"
#include "app/Wiring.h"
#include "platform/Files.h"

int main(int argc, char** argv)
{
    if (const std::optional<int> status = answerInformationOptions(argc, argv)) return *status;
    Class1 app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral(VOLETA_APP_ID));
    const std::optional<QString> scene = sceneArgument(app);
    if (!scene) return 1;
    // Beside the program when the folders are there, otherwise the user's own (made and
    // filled with the samples on the first start); found once, used all the run.
    platform::usePictureFolders(platform::resolvePictureFolders(platform::standardFolderPlaces()));
    // The opening sequence scans the picture folders and shows the settings window; a
    // missing folder asks to quit before the loop starts.
    Wiring* program = Wiring::instance();
    if (platform::quitRequested()) return platform::quitStatus();
    // A scene named on the command line opens after the opening sequence.
    if (!scene->isEmpty()) program->openScene(*scene);
    return app.exec();
}
