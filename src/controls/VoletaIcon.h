// The application icon, drawn by the program itself.
#pragma once

#include <QImage>

// VoletaICon: the application icon (128 x 128, ARGB32). Drawn on the first call and
// kept for the life of the program; every call returns the same object. The icon is
// drawn on white and its pure white pixels are transparent.
const QImage& VoletaICon();

// The same drawing at size x size pixels on a transparent ground, with smooth edges:
// the icon the desktop shows for the installed program.
QImage voletaIconAt(int size);
