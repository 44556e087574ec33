// voleta's command line: --help and --version answer and end the program before any
// window opens; one scene file (.voleta) may be named to open at start; anything else
// but the toolkit's own options is refused.
#pragma once

#include <QString>
#include <optional>

class QCoreApplication;

// Answers --help and --version on stdout from a plain core application, so they need no
// display. Returns the exit status when it answered, nothing when the program should start.
std::optional<int> answerInformationOptions(int& argc, char** argv);

// Once the GUI application has taken the toolkit's options (-platform, -style, ...),
// what is left may be one scene file: its path ("" when none). Anything else is an
// error: a message on stderr and nothing.
std::optional<QString> sceneArgument(const QCoreApplication& app);
