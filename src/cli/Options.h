// The command line of voleta-render: what it asks for, its help text, and the English
// wording of what went wrong.
#pragma once

#include "platform/Files.h"
#include "render/Pipeline.h"
#include "scene/SceneState.h"
#include "text/TextLayer.h"

#include <QPoint>
#include <QString>
#include <QStringList>
#include <array>

namespace cli {

struct Options {
    QString pattern; // --pattern
    QString output; // -o, .png or .jpg/.jpeg
    QString map; // --map; empty = flat background
    QString depthIn; // --depth-in; replaces the map and text steps
    QString depthOut; // --depth-out
    QString maskOut; // --mask-out
    QString answerOut; // --answer-out, .png
    QString anaglyphOut; // --anaglyph-out, .png: the red-cyan picture of the scene
    QString pairOut; // --pair-out, .png: the scene's views side by side
    bool shadeViews = false; // --shade-views: the anaglyph and the pair lighter where nearer
    QString scene; // --scene: the scene file the values start from
    QString sceneOut; // --scene-out: the scene file to write
    bool quality = false; // --quality
    bool lighterNear = false; // --lighter-near
    int zoomRow;
    QPoint pan;
    int kt;
    int hk;
    text::Lines lines;
    std::array<int, 3> sliders;

    Options(); // the start state
    bool outputIsJpeg() const;
};

struct Parsed {
    enum class Kind { Run, Help, Version, BadUsage };
    Kind kind = Kind::Run;
    Options options;
    QString error; // what is wrong, for BadUsage
    QStringList given; // the names of the options given, as the parser knows them
};

// `arguments` without the program name; the options not given keep their values in
// `start` (the start state, or the values of a scene file).
Parsed parseArguments(const QStringList& arguments, const Options& start = Options());

// The options of a scene read from a file, before the command line overrides them, its
// pictures given as paths (`mapPath` empty for the flat plane).
Options sceneOptions(const scene::SceneState& state, const QString& patternPath, const QString& mapPath);

// The other way round: the values a run composes with, without its pictures.
render::Scene renderValues(const Options& options);

// The scene a run renders: `base` (the scene read, or the start scene) with the values of
// the options, the pictures named `pattern` and `background`. A --sizeN or --relief given
// sets its list's row as choosing that size or height in the window would.
scene::SceneState renderedScene(const Options& options, const QStringList& given, scene::SceneState base,
    const QString& pattern, const QString& background);

QString helpText();

// One line for a file that could not be read or written: "<what failed>: <file>: <reason>".
QString failureLine(const QString& whatFailed, const platform::Failure& failure);

} // namespace cli
