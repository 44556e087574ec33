#include "cli/Options.h"

#include "render/DepthArray.h"
#include "render/Pipeline.h"
#include "scene/ListRules.h"
#include "scene/SceneFile.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <optional>
#include <utility>

namespace cli {

namespace rules = scene::rules;

namespace {

    constexpr int kMaxOffset = scene::kSceneOffsetLimit; // --pan and --offsetN, each coordinate

    struct BadUsage {
        QString message;
    };

    std::optional<int> toInt(const QString& text)
    {
        bool ok = false;
        const int value = text.trimmed().toInt(&ok, 10);
        if (!ok) return std::nullopt;
        return value;
    }

    int intInRange(const QString& option, const QString& value, int low, int high)
    {
        const std::optional<int> n = toInt(value);
        if (!n) throw BadUsage { QStringLiteral("%1 needs a whole number, not \"%2\"").arg(option, value) };
        if (*n < low || *n > high)
            throw BadUsage { QStringLiteral("%1 must be %2..%3, not %4").arg(option).arg(low).arg(high).arg(*n) };
        return *n;
    }

    QPoint pointValue(const QString& option, const QString& value)
    {
        const QStringList parts = value.split(QLatin1Char(','));
        std::optional<int> x, y;
        if (parts.size() == 2) {
            x = toInt(parts[0]);
            y = toInt(parts[1]);
        }
        if (!x || !y)
            throw BadUsage { QStringLiteral("%1 needs X,Y (two whole numbers), not \"%2\"").arg(option, value) };
        // Far enough to move anything off the picture; small enough that no sum overflows.
        if (*x < -kMaxOffset || *x > kMaxOffset || *y < -kMaxOffset || *y > kMaxOffset)
            throw BadUsage {
                QStringLiteral("%1 must stay within -%2..%2, not \"%3\"").arg(option).arg(kMaxOffset).arg(value)
            };
        return { *x, *y };
    }

    QString lineName(const char* what, int n)
    {
        return QString::fromLatin1(what) + QString::number(n);
    }

    // The options, as the parser and the help text know them. Lines 2 and 3 repeat
    // line 1's options, so the help shows line 1's only.
    struct Declared {
        QCommandLineParser parser;
        QCommandLineOption help { { QStringLiteral("h"), QStringLiteral("help") }, QStringLiteral("Show this help.") };
        QCommandLineOption version { QStringLiteral("version"), QStringLiteral("Show the version.") };

        Declared()
        {
            parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
            parser.setApplicationDescription(
                QStringLiteral("Makes one stereogram picture (1920 x 1280) without a window. Every setting\n"
                               "defaults to the settings window's start state, or to the value of the scene file\n"
                               "given with --scene.\n"
                               "Exit status: 0 done; 1 an input unreadable or an output not written;\n"
                               "2 a bad command line."));
            parser.addOption(help);
            parser.addOption(version);
            auto flag = [&](const char* name, const char* description) {
                parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString::fromUtf8(description)));
            };
            auto value = [&](const QStringList& names, const char* description, const char* valueName) {
                parser.addOption(
                    QCommandLineOption(names, QString::fromUtf8(description), QString::fromLatin1(valueName)));
            };
            value({ QStringLiteral("pattern") }, "The pattern picture (required without --scene).", "PATH");
            value({ QStringLiteral("o"), QStringLiteral("output") },
                "The picture to write: .png, .jpg or .jpeg (required).", "OUT");
            value({ QStringLiteral("map") }, "The background (terrain) picture; none = flat.", "PATH");
            value({ QStringLiteral("zoom") }, "Zoom row 0..5 (1 x .. 4 x).", "0..5");
            value({ QStringLiteral("pan") }, "Pan of the map crop, each -1000000..1000000.", "X,Y");
            value({ QStringLiteral("relief") }, "Height factor 1..6 (0.5 x .. 3 x).", "1..6");
            value({ QStringLiteral("method") }, "Viewing method: parallel or crossed.", "METHOD");
            flag("lighter-near",
                "Reads the map as a depth picture: lighter places nearer (darker is nearer without it).");
            flag("no-lighter-near", "Reads the map as a terrain map, darker nearer (overrides a scene).");
            flag("keep-aspect",
                "Fits the map crop inside the area at its own proportions, centred; the rest lies on the far plane.");
            flag("no-keep-aspect", "Stretches the map crop over the whole area (overrides a scene).");
            value({ QStringLiteral("depth-in") },
                "A depth file (16-bit grey PNG 1600 x 1280, value = depth + 32768); replaces the map and text "
                "steps.",
                "PATH");
            value({ QStringLiteral("depth-out") }, "Writes the final depth array as such a file.", "PATH");
            value({ QStringLiteral("mask-out") }, "Writes the text mask (1600 x 1280 PNG).", "PATH");
            value({ QStringLiteral("answer-out") },
                "Writes the answer picture: the hidden depth in grey, nearer lighter (1920 x 1280 PNG).", "PATH");
            value({ QStringLiteral("anaglyph-out") },
                "Writes the scene for red-cyan glasses, red lens on the left eye (1920 x 1280 PNG).", "PATH");
            value({ QStringLiteral("pair-out") },
                "Writes the scene as a stereo pair: its two views side by side, ordered for the viewing method "
                "(1920 x 640 PNG).",
                "PATH");
            parser.addOption(QCommandLineOption(QStringLiteral("shade-views"),
                QStringLiteral("Shades the anaglyph and the pair by nearness, nearer lighter, as the answer picture "
                               "does.")));
            value({ QStringLiteral("scene") },
                "Starts from a scene file (.voleta): its pictures are looked up by name in the picture folders "
                "the window uses; the options given here override its values.",
                "FILE");
            value({ QStringLiteral("scene-out") }, "Writes the scene of this picture's settings as a scene file.",
                "FILE");
            flag("quality", "Composes with symmetric links and hidden-surface removal (fewer ghost edges).");
            flag("no-quality", "Composes without symmetric links (overrides a scene).");
            for (int n = 1; n <= 3; ++n) {
                const bool shown = n == 1;
                auto line = [&](const char* what, const char* description, const char* valueName) {
                    QCommandLineOption option(lineName(what, n), QString::fromUtf8(description));
                    if (valueName) option.setValueName(QString::fromLatin1(valueName));
                    if (!shown) option.setFlags(QCommandLineOption::HiddenFromHelp);
                    parser.addOption(option);
                };
                line("text", "Text of line N (N = 1, 2, 3; likewise below).", "TEXT");
                line("font", "Font family of line N.", "FAMILY");
                line("size", "Size 70..200 of line N (drawn at 4 x that many pixels).", "70..200");
                line("depth", "Depth -18..18 of line N (start: 6, 8, 10).", "-18..18");
                line("offset", "Offset of line N (start: 0,20 / 0,450 / 0,880).", "X,Y");
                line("italic", "Line N in italics.", nullptr);
                line("no-italic", "Line N upright (overrides a scene).", nullptr);
                line("bold", "Line N in bold.", nullptr);
                line("no-bold", "Line N in regular weight (overrides a scene).", nullptr);
            }
        }
    };

} // namespace

Options::Options()
    : state(scene::startScene())
{
}

bool Options::outputIsJpeg() const
{
    return QFileInfo(output).suffix().toLower() != QLatin1String("png");
}

QString helpText()
{
    // Qt's text begins with a usage line naming the program by its full path; ours
    // names it as it is typed.
    const QString text = Declared().parser.helpText();
    return QStringLiteral("Usage: voleta-render (--pattern PATH | --scene FILE) -o OUT.(png|jpg) [options]\n")
        + text.mid(text.indexOf(QLatin1Char('\n')) + 1);
}

Parsed parseArguments(const QStringList& arguments, const scene::SceneState& start)
{
    Parsed parsed;
    parsed.options.state = start;
    Options& o = parsed.options;
    scene::SceneState& s = o.state;
    Declared declared;
    QCommandLineParser& p = declared.parser;
    try {
        if (!p.parse(QStringList { QStringLiteral("voleta-render") } + arguments)) {
            const QStringList unknown = p.unknownOptionNames();
            if (!unknown.isEmpty()) {
                const QString& name = unknown.first();
                throw BadUsage { QStringLiteral("unknown option %1%2").arg(name.size() == 1 ? "-" : "--", name) };
            }
            QString error = p.errorText();
            if (error.endsWith(QLatin1Char('.'))) error.chop(1);
            if (!error.isEmpty()) error[0] = error[0].toLower();
            throw BadUsage { error };
        }
        if (p.isSet(declared.help)) {
            parsed.kind = Parsed::Kind::Help;
            return parsed;
        }
        if (p.isSet(declared.version)) {
            parsed.kind = Parsed::Kind::Version;
            return parsed;
        }
        if (!p.positionalArguments().isEmpty())
            throw BadUsage { QStringLiteral("unexpected argument \"%1\"").arg(p.positionalArguments().first()) };

        auto isGiven = [&](const QString& name) { return p.isSet(name); };
        auto valueOf = [&](const QString& name) { return p.value(name); };
        const auto option = [](const QString& name) -> QString { return QStringLiteral("--") + name; };
        // An on/off setting: its option turns it on, the option's "no-" form off; both
        // at once is a contradiction.
        const auto onOff = [&](const QString& name, bool& field) {
            const QString off = QStringLiteral("no-") + name;
            if (isGiven(name) && isGiven(off))
                throw BadUsage { QStringLiteral("%1 and %2 cannot be used together").arg(option(name), option(off)) };
            if (isGiven(name)) field = true;
            if (isGiven(off)) field = false;
        };

        parsed.given = p.optionNames();
        const auto path = [&](const char* name, QString& field) {
            if (isGiven(QString::fromLatin1(name))) field = valueOf(QString::fromLatin1(name));
        };
        path("pattern", o.pattern);
        path("output", o.output);
        path("map", o.map);
        path("depth-in", o.depthIn);
        path("depth-out", o.depthOut);
        path("mask-out", o.maskOut);
        path("answer-out", o.answerOut);
        path("anaglyph-out", o.anaglyphOut);
        path("pair-out", o.pairOut);
        path("scene", o.scene);
        path("scene-out", o.sceneOut);
        // A scene names its pictures by file name, looked up in the picture folders.
        if (isGiven(QStringLiteral("pattern"))) s.pattern = QFileInfo(o.pattern).fileName();
        if (isGiven(QStringLiteral("map"))) {
            s.background = QFileInfo(o.map).fileName();
            s.flat = false;
        }
        onOff(QStringLiteral("quality"), s.quality);
        onOff(QStringLiteral("lighter-near"), s.lighterNear);
        onOff(QStringLiteral("keep-aspect"), s.keepAspect);
        if (isGiven(QStringLiteral("shade-views"))) o.shadeViews = true;
        if (isGiven(QStringLiteral("zoom")))
            s.zoomRow = intInRange(QStringLiteral("--zoom"), valueOf(QStringLiteral("zoom")), 0, rules::kZoomRows - 1);
        if (isGiven(QStringLiteral("relief"))) {
            s.kt = intInRange(QStringLiteral("--relief"), valueOf(QStringLiteral("relief")), rules::relief(0),
                rules::relief(rules::kHeightRows - 1));
            s.heightRow = rules::heightRowOfRelief(s.kt);
        }
        if (isGiven(QStringLiteral("pan"))) s.pan = pointValue(QStringLiteral("--pan"), valueOf(QStringLiteral("pan")));
        if (isGiven(QStringLiteral("method"))) {
            const QString method = valueOf(QStringLiteral("method"));
            const std::optional<int> row = rules::methodRowOfName(method);
            if (!row)
                throw BadUsage { QStringLiteral("--method must be %1 or %2, not \"%3\"")
                                     .arg(rules::methodName(0), rules::methodName(1), method) };
            s.methodRow = *row;
        }
        for (int n = 1; n <= 3; ++n) {
            scene::LineState& line = s.lines[n - 1];
            if (const QString key = lineName("text", n); isGiven(key)) line.text = valueOf(key);
            if (const QString key = lineName("font", n); isGiven(key)) line.family = valueOf(key);
            if (const QString key = lineName("size", n); isGiven(key)) {
                const int points
                    = intInRange(option(key), valueOf(key), rules::kFirstSizePoints, rules::kLastSizePoints);
                const std::optional<int> row = rules::sizeRowOfPoints(points);
                // A scene holds a size list's row: 70, 80 .. 200.
                if (isGiven(QStringLiteral("scene-out")) && !row)
                    throw BadUsage { QStringLiteral("%1 must be one of %2, %3 .. %4 with --scene-out, not %5")
                                         .arg(option(key))
                                         .arg(rules::sizePoints(0))
                                         .arg(rules::sizePoints(1))
                                         .arg(rules::kLastSizePoints)
                                         .arg(points) };
                line.size = rules::drawnSizeOfPoints(points);
                if (row) line.sizeRow = *row;
            }
            if (const QString key = lineName("depth", n); isGiven(key))
                line.depth = intInRange(option(key), valueOf(key), -18, 18);
            if (const QString key = lineName("offset", n); isGiven(key))
                line.offset = pointValue(option(key), valueOf(key));
            onOff(lineName("italic", n), line.italic);
            onOff(lineName("bold", n), line.bold);
        }

        if (o.pattern.isEmpty() && o.scene.isEmpty())
            throw BadUsage { QStringLiteral("--pattern PATH or --scene FILE is required") };
        if (o.output.isEmpty()) throw BadUsage { QStringLiteral("-o OUT.png or -o OUT.jpg is required") };
        const QString suffix = QFileInfo(o.output).suffix().toLower();
        if (suffix != QLatin1String("png") && suffix != QLatin1String("jpg") && suffix != QLatin1String("jpeg"))
            throw BadUsage { QStringLiteral("the output %1 must end in .png, .jpg or .jpeg").arg(o.output) };
        if (!o.answerOut.isEmpty() && QFileInfo(o.answerOut).suffix().toLower() != QLatin1String("png"))
            throw BadUsage { QStringLiteral("the answer picture %1 must end in .png").arg(o.answerOut) };
        for (const auto& [what, file] :
            { std::pair { "the anaglyph", o.anaglyphOut }, std::pair { "the stereo pair", o.pairOut } })
            if (!file.isEmpty() && QFileInfo(file).suffix().toLower() != QLatin1String("png"))
                throw BadUsage { QStringLiteral("%1 %2 must end in .png").arg(QLatin1String(what), file) };
        if (isGiven(QStringLiteral("depth-in")) && isGiven(QStringLiteral("map")))
            throw BadUsage { QStringLiteral("--map and --depth-in cannot be used together") };
        if (isGiven(QStringLiteral("depth-in")) && isGiven(QStringLiteral("scene-out")))
            throw BadUsage { QStringLiteral("--scene-out cannot record the depth file of --depth-in") };
        if (!o.depthIn.isEmpty() && !o.maskOut.isEmpty())
            throw BadUsage { QStringLiteral("--mask-out has no text mask to write when --depth-in is given") };
    } catch (const BadUsage& bad) {
        parsed.kind = Parsed::Kind::BadUsage;
        parsed.error = bad.message;
    }
    return parsed;
}

QString failureLine(const QString& whatFailed, const platform::Failure& failure)
{
    using platform::FailureKind;
    QString reason;
    switch (failure.kind) {
    case FailureKind::Missing:
        reason = QStringLiteral("no such file");
        break;
    case FailureKind::NotAFile:
        reason = QStringLiteral("not a regular file");
        break;
    case FailureKind::NoPermission:
        reason = QStringLiteral("permission denied");
        break;
    case FailureKind::TooLarge:
        reason = QStringLiteral("the picture is %1 pixels, more than %2 on a side")
                     .arg(failure.detail)
                     .arg(platform::kPictureSideLimit);
        break;
    case FailureKind::WrongSize:
        reason = QStringLiteral("it is %1 pixels, not %2 x %3")
                     .arg(failure.detail)
                     .arg(render::kWorkWidth)
                     .arg(render::kWorkHeight);
        break;
    case FailureKind::NotAPicture:
        reason = QStringLiteral("not a readable picture");
        break;
    case FailureKind::FolderMissing:
        reason = QStringLiteral("the folder does not exist");
        break;
    case FailureKind::NameNotAllowed:
        reason = QStringLiteral("no file of that name can be made there");
        break;
    case FailureKind::NoSpace:
        reason = QStringLiteral("no space left on the disk");
        break;
    case FailureKind::WriteFailed:
        reason = QStringLiteral("the write failed");
        break;
    }
    if (!failure.detail.isEmpty()
        && (failure.kind == FailureKind::NotAPicture || failure.kind == FailureKind::WriteFailed))
        reason += QStringLiteral(" (%1)").arg(failure.detail);
    return QStringLiteral("%1: %2: %3").arg(whatFailed, failure.file, reason);
}

} // namespace cli
