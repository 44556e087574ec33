#include "app/Class1.h"
#include "main_window/Window1.h"
#include "platform/Files.h"

int main(int argc, char** argv)
{
    Class1 app(argc, argv);
    // The main window's opening sequence scans the picture folders and shows the
    // settings window; a missing folder asks to quit before the loop starts.
    Window1::instance();
    if (platform::quitRequested()) return 0;
    return app.exec();
}
