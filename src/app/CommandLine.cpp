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
                           "It takes no arguments: everything is set in its windows (the interface is Japanese)."));
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

bool acceptCommandLine(const QCoreApplication& app)
{
    Parser p;
    QString error;
    if (!p.parser.parse(app.arguments()))
        error = p.parser.errorText();
    else if (!p.parser.positionalArguments().isEmpty())
        error = QStringLiteral("unexpected argument '%1'").arg(p.parser.positionalArguments().constFirst());
    if (error.isEmpty()) return true;
    print(stderr, QStringLiteral("voleta: %1\nTry 'voleta --help'.\n").arg(error));
    return false;
}
