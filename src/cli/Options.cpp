#include "cli/Options.h"

#include "render/Pipeline.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <optional>

namespace cli {

namespace {

    constexpr int kMaxOffset = 1000000; // --pan and --offsetN, each coordinate

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

} // namespace

Options::Options()
    : lines(render::startLines())
{
}

bool Options::outputIsJpeg() const
{
    return QFileInfo(output).suffix().toLower() != QLatin1String("png");
}

QString usageText()
{
    return QStringLiteral(
        "Usage: voleta-render --pattern PATH -o OUT.(png|jpg) [options]      defaults = the settings window's start "
        "state\n"
        "  --map PATH  --zoom 0..5  --pan X,Y (each -1000000..1000000)  --relief 1..6 (kt)  --method parallel|crossed\n"
        "  --textN S  --fontN FAMILY  --sizeN 70..200 (mask size 4 × value; default sizes 440, 400, 360)\n"
        "  --depthN -18..18 (default 6, 8, 10)  --offsetN X,Y (default 0,20 / 0,450 / 0,880)  --italicN  --boldN    "
        "(N = 1, 2, 3)\n"
        "  --depth-in PATH    16-bit greyscale PNG 1600 × 1280, value = depth + 32768; replaces the map and text "
        "steps\n"
        "  --depth-out PATH   writes the final depth array (1600 × 1280) in that encoding\n"
        "  --mask-out PATH    writes the text mask (1600 × 1280 PNG)\n"
        "  --help             prints this text\n"
        "exit 0 ok; 2 bad usage (message on stderr, with --help text); 1 an input unreadable or the output not "
        "written (the message names the file)\n");
}

Parsed parseArguments(const QStringList& arguments)
{
    static const QRegularExpression lineOption(QStringLiteral("^--(text|font|size|depth|offset|italic|bold)([1-3])$"));

    Parsed parsed;
    Options& o = parsed.options;
    try {
        for (qsizetype i = 0; i < arguments.size(); ++i) {
            QString name = arguments[i];
            std::optional<QString> inlineValue;
            if (name.startsWith(QLatin1String("--"))) {
                const qsizetype eq = name.indexOf(QLatin1Char('='));
                if (eq > 0) {
                    inlineValue = name.mid(eq + 1);
                    name.truncate(eq);
                }
            }
            auto value = [&]() -> QString {
                if (inlineValue) return *inlineValue;
                if (i + 1 >= arguments.size()) throw BadUsage { QStringLiteral("%1 needs a value").arg(name) };
                return arguments[++i];
            };
            auto noValue = [&] {
                if (inlineValue) throw BadUsage { QStringLiteral("%1 takes no value").arg(name) };
            };

            if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
                noValue();
                parsed.kind = Parsed::Kind::Help;
                return parsed;
            } else if (name == QLatin1String("--pattern")) {
                o.pattern = value();
            } else if (name == QLatin1String("-o") || name == QLatin1String("--output")) {
                o.output = value();
            } else if (name == QLatin1String("--map")) {
                o.map = value();
            } else if (name == QLatin1String("--zoom")) {
                o.zoomRow = intInRange(name, value(), 0, 5);
            } else if (name == QLatin1String("--pan")) {
                o.pan = pointValue(name, value());
            } else if (name == QLatin1String("--relief")) {
                o.kt = intInRange(name, value(), 1, 6);
            } else if (name == QLatin1String("--method")) {
                const QString method = value();
                if (method == QLatin1String("parallel"))
                    o.hk = 1;
                else if (method == QLatin1String("crossed"))
                    o.hk = -1;
                else
                    throw BadUsage { QStringLiteral("--method must be parallel or crossed, not \"%1\"").arg(method) };
            } else if (name == QLatin1String("--depth-in")) {
                o.depthIn = value();
            } else if (name == QLatin1String("--depth-out")) {
                o.depthOut = value();
            } else if (name == QLatin1String("--mask-out")) {
                o.maskOut = value();
            } else if (const QRegularExpressionMatch m = lineOption.match(name); m.hasMatch()) {
                const QString what = m.captured(1);
                const int n = m.captured(2).toInt() - 1;
                text::Line& line = o.lines[n];
                if (what == QLatin1String("text"))
                    line.text = value();
                else if (what == QLatin1String("font"))
                    line.family = value();
                else if (what == QLatin1String("size"))
                    line.size = 4 * intInRange(name, value(), 70, 200);
                else if (what == QLatin1String("depth"))
                    o.sliders[n] = intInRange(name, value(), -18, 18);
                else if (what == QLatin1String("offset")) {
                    const QPoint p = pointValue(name, value());
                    line.x = p.x();
                    line.y = p.y();
                } else if (what == QLatin1String("italic")) {
                    noValue();
                    line.italic = 1;
                } else {
                    noValue();
                    line.bold = 1;
                }
            } else if (name.startsWith(QLatin1Char('-')) && name.size() > 1) {
                throw BadUsage { QStringLiteral("unknown option %1").arg(name) };
            } else {
                throw BadUsage { QStringLiteral("unexpected argument \"%1\"").arg(name) };
            }
        }

        if (o.pattern.isEmpty()) throw BadUsage { QStringLiteral("--pattern PATH is required") };
        if (o.output.isEmpty()) throw BadUsage { QStringLiteral("-o OUT.png or -o OUT.jpg is required") };
        const QString suffix = QFileInfo(o.output).suffix().toLower();
        if (suffix != QLatin1String("png") && suffix != QLatin1String("jpg") && suffix != QLatin1String("jpeg"))
            throw BadUsage { QStringLiteral("the output %1 must end in .png, .jpg or .jpeg").arg(o.output) };
        if (!o.depthIn.isEmpty() && !o.map.isEmpty())
            throw BadUsage { QStringLiteral("--map and --depth-in cannot be used together") };
        if (!o.depthIn.isEmpty() && !o.maskOut.isEmpty())
            throw BadUsage { QStringLiteral("--mask-out has no text mask to write when --depth-in is given") };
    } catch (const BadUsage& bad) {
        parsed.kind = Parsed::Kind::BadUsage;
        parsed.error = bad.message;
    }
    return parsed;
}

} // namespace cli
