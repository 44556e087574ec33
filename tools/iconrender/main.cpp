// voleta-iconrender: writes the program's icon into a hicolor icon tree for the install,
// one PNG per size: OUTDIR/<n>x<n>/apps/NAME.png.
#include "controls/VoletaIcon.h"

#include <QDir>
#include <QImage>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fputs("usage: voleta-iconrender OUTDIR NAME SIZE...\n", stderr);
        return 2;
    }
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (int i = 3; i < argc; ++i) {
        bool ok = false;
        const int size = QByteArray(argv[i]).toInt(&ok);
        if (!ok || size < 8 || size > 1024) {
            std::fprintf(stderr, "voleta-iconrender: bad size \"%s\"\n", argv[i]);
            return 2;
        }
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(outDir).arg(size);
        const QString file = QStringLiteral("%1/%2.png").arg(folder, name);
        if (!QDir().mkpath(folder) || !voletaIconAt(size).save(file, "PNG")) {
            std::fprintf(stderr, "voleta-iconrender: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
