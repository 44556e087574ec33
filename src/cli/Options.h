// The command line of voleta-render: what it asks for, and its usage text.
#pragma once

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
    int zoomRow = 0;
    QPoint pan;
    int kt = 2;
    int hk = 1;
    text::Lines lines;
    std::array<int, 3> sliders { 6, 8, 10 };

    Options();
    bool outputIsJpeg() const;
};

struct Parsed {
    enum class Kind { Run, Help, BadUsage };
    Kind kind = Kind::Run;
    Options options;
    QString error; // what is wrong, for BadUsage
};

// `arguments` without the program name.
Parsed parseArguments(const QStringList& arguments);

QString usageText();

} // namespace cli
