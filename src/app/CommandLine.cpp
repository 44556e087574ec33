#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

namespace {

struct Parser {
    QCommandLineParser parser;
    QCommandLineOption help = parser.addHelpOption();
    QCommandLineOption version = parser.addVersionOption();

    Parser()
    {
        parser.setApplicationDescription(
            QStringLiteral("Voleta makes single-image stereograms of text.\n"
                           "Everything is set in its windows (the interface is Japanese); a scene file saved\n"
                           "from them (FILE.voleta) may be named to open at start."));
        parser.addPositionalArgument(QStringLiteral("scene"), QStringLiteral("A scene file to open (.voleta)."),
            QStringLiteral("[FILE.voleta]"));
    }
};

void print(FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
}

} // namespace

std::optional<int> answerInformationOptions(int& argc, char** argv)
{
    if (argc < 2) return std::nullopt;
    QCoreApplication probe(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Voleta"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VOLETA_VERSION_TEXT));
    Parser p;
    // Errors wait for the GUI application: it may still take some of these options.
    p.parser.parse(probe.arguments());
    if (p.parser.isSet(p.help) || p.parser.isSet(QStringLiteral("help-all"))) {
        print(stdout, p.parser.helpText());
        return 0;
    }
    if (p.parser.isSet(p.version)) {
        print(stdout,
            QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(), QCoreApplication::applicationVersion()));
        return 0;
    }
    return std::nullopt;
}

std::optional<QString> sceneArgument(const QCoreApplication& app)
{
    Parser p;
    QString error;
    QString scene;
    if (!p.parser.parse(app.arguments())) {
        error = p.parser.errorText();
    } else {
        const QStringList rest = p.parser.positionalArguments();
        if (rest.size() > 1)
            error = QStringLiteral("unexpected argument '%1'").arg(rest.at(1));
        else if (rest.size() == 1 && !rest.first().endsWith(QLatin1String(".voleta"), Qt::CaseInsensitive))
            error = QStringLiteral("unexpected argument '%1' (only a .voleta scene file can be opened)")
                        .arg(rest.first());
        else if (rest.size() == 1)
            scene = rest.first();
    }
    if (error.isEmpty()) return scene;
    print(stderr, QStringLiteral("voleta: %1\nTry 'voleta --help'.\n").arg(error));
    return std::nullopt;
}
