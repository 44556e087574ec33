// The command line of voleta-render: what it asks for, its help text, and the English
// wording of what went wrong.
#pragma once

#include "platform/Files.h"
#include "scene/SceneState.h"

#include <QString>
#include <QStringList>

namespace cli {

// A run: the scene it renders, and the files it reads and writes.
struct Options {
    // The settings, as the settings window holds them: the start scene or the scene
    // file's, with every option given applied. Its pattern and background are the file
    // names of the pictures; --map makes it not flat.
    scene::SceneState state;
    QString pattern; // --pattern, or the scene's pattern in its folder
    QString output; // -o, .png or .jpg/.jpeg
    QString map; // --map, or the scene's map in its folder; empty = no map
    QString depthIn; // --depth-in; replaces the map and text steps
    QString depthOut; // --depth-out
    QString maskOut; // --mask-out
    QString answerOut; // --answer-out, .png
    QString anaglyphOut; // --anaglyph-out, .png: the red-cyan picture of the scene
    QString pairOut; // --pair-out, .png: the scene's views side by side
    bool shadeViews = false; // --shade-views: the anaglyph and the pair lighter where nearer
    QString scene; // --scene: the scene file the values start from
    QString sceneOut; // --scene-out: the scene file to write

    Options(); // the start scene, no files
    bool outputIsJpeg() const;
};

struct Parsed {
    enum class Kind { Run, Help, Version, BadUsage };
    Kind kind = Kind::Run;
    Options options;
    QString error; // what is wrong, for BadUsage
    QStringList given; // the names of the options given, as the parser knows them
};

// `arguments` without the program name; the settings not given keep their values in
// `start` (the start scene, or a scene file's). A --sizeN or --relief given sets its
// list's row as choosing that size or height in the window would.
Parsed parseArguments(const QStringList& arguments, const scene::SceneState& start = scene::startScene());

QString helpText();

// One line for a file that could not be read or written: "<what failed>: <file>: <reason>".
QString failureLine(const QString& whatFailed, const platform::Failure& failure);

} // namespace cli
