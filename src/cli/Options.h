// The command line of voleta-render: what it asks for, its help text, and the English
// wording of what went wrong.
#pragma once

#include "platform/Files.h"
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
};

// `arguments` without the program name.
Parsed parseArguments(const QStringList& arguments);

QString helpText();

// One line for a file that could not be read or written: "<what failed>: <file>: <reason>".
QString failureLine(const QString& whatFailed, const platform::Failure& failure);

} // namespace cli
