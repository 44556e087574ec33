#include "scene/SceneFile.h"

#include "scene/ListRules.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace scene {

namespace {

    constexpr int kNameBytesLimit = 255; // a file name on the disk
    const QString kFlatKey = QStringLiteral("flat");

    bool inRange(int value, int low, int high)
    {
        return value >= low && value <= high;
    }

    QString linePath(int n, const char* key)
    {
        return QStringLiteral("lines[%1].%2").arg(n).arg(QLatin1String(key));
    }

    // A missing key or a value of the wrong type, by its key path.
    struct BadKey {
        QString path;
    };

    // Reads typed values out of one JSON object; anything missing or mistyped throws
    // BadKey with the path of the key.
    class Reader {
    public:
        Reader(const QJsonObject& object, const QString& prefix)
            : object_(object)
            , prefix_(prefix)
        {
        }

        QString path(const QString& key) const { return prefix_ + key; }
        bool has(const QString& key) const { return object_.contains(key); }

        QJsonValue value(const QString& key) const
        {
            if (!object_.contains(key)) throw BadKey { path(key) };
            return object_.value(key);
        }
        int integer(const QString& key) const { return wholeNumber(value(key), path(key)); }
        bool boolean(const QString& key) const
        {
            const QJsonValue v = value(key);
            if (!v.isBool()) throw BadKey { path(key) };
            return v.toBool();
        }
        QString string(const QString& key) const
        {
            const QJsonValue v = value(key);
            if (!v.isString()) throw BadKey { path(key) };
            return v.toString();
        }
        QJsonObject object(const QString& key) const
        {
            const QJsonValue v = value(key);
            if (!v.isObject()) throw BadKey { path(key) };
            return v.toObject();
        }
        QJsonArray array(const QString& key, qsizetype size) const
        {
            const QJsonValue v = value(key);
            if (!v.isArray() || v.toArray().size() != size) throw BadKey { path(key) };
            return v.toArray();
        }
        QPoint point(const QString& key) const
        {
            const Reader p(object(key), path(key) + QLatin1Char('.'));
            return { p.integer(QStringLiteral("x")), p.integer(QStringLiteral("y")) };
        }

        // A number with no fraction that fits an int; 1e300 or 2.5 is no row or offset.
        static int wholeNumber(const QJsonValue& v, const QString& path)
        {
            if (!v.isDouble()) throw BadKey { path };
            const double d = v.toDouble();
            if (!std::isfinite(d) || d != std::trunc(d) || d < -2147483648.0 || d > 2147483647.0) throw BadKey { path };
            return int(d);
        }

    private:
        QJsonObject object_;
        QString prefix_;
    };

    LineState readLine(const QJsonValue& value, int n)
    {
        const QString prefix = QStringLiteral("lines[%1]").arg(n);
        if (!value.isObject()) throw BadKey { prefix };
        const Reader r(value.toObject(), prefix + QLatin1Char('.'));
        LineState line;
        line.text = r.string(QStringLiteral("text"));
        line.family = r.string(QStringLiteral("font"));
        line.sizeRow = r.integer(QStringLiteral("sizeRow"));
        line.size = r.integer(QStringLiteral("size"));
        line.offset = { r.integer(QStringLiteral("x")), r.integer(QStringLiteral("y")) };
        line.italic = r.boolean(QStringLiteral("italic"));
        line.bold = r.boolean(QStringLiteral("bold"));
        line.depth = r.integer(QStringLiteral("depth"));
        return line;
    }

    // The values of a scene object whose format and version are known good. The keys
    // added beside the window's visible controls (the rows beyond its edge, 高画質 and
    // the depth-picture reading) take their start values when missing.
    SceneState readState(const Reader& r)
    {
        SceneState s = startScene();
        const QJsonArray lines = r.array(QStringLiteral("lines"), 3);
        for (int n = 0; n < 3; ++n)
            s.lines[n] = readLine(lines[n], n);
        const std::optional<int> method = rules::methodRowOfName(r.string(QStringLiteral("viewing")));
        if (!method) throw BadKey { r.path(QStringLiteral("viewing")) };
        s.methodRow = *method;
        s.pattern = r.string(QStringLiteral("pattern"));
        s.background = r.string(QStringLiteral("background"));
        // Without the key (a file older than it) this is only the start's guess: the
        // reader settles it with settleFlat, knowing the background folder.
        s.flat = r.has(kFlatKey) ? r.boolean(kFlatKey) : s.background.isEmpty();
        s.zoomRow = r.integer(QStringLiteral("zoomRow"));
        s.pan = r.point(QStringLiteral("pan"));
        s.heightRow = r.integer(QStringLiteral("heightRow"));
        s.kt = r.integer(QStringLiteral("relief"));
        if (r.has(QStringLiteral("nearFarRows"))) {
            const QJsonArray rows = r.array(QStringLiteral("nearFarRows"), 2);
            for (int i = 0; i < 2; ++i)
                s.nearFarRows[i] = Reader::wholeNumber(rows[i], QStringLiteral("nearFarRows[%1]").arg(i));
        }
        if (r.has(QStringLiteral("exportSizeRow"))) s.exportSizeRow = r.integer(QStringLiteral("exportSizeRow"));
        if (r.has(QStringLiteral("quality"))) s.quality = r.boolean(QStringLiteral("quality"));
        if (r.has(QStringLiteral("lighterNear"))) s.lighterNear = r.boolean(QStringLiteral("lighterNear"));
        if (r.has(QStringLiteral("keepAspect"))) s.keepAspect = r.boolean(QStringLiteral("keepAspect"));
        return s;
    }

    SceneFileResult failed(SceneFileError error, const QString& detail)
    {
        SceneFileResult result;
        result.error = error;
        result.detail = detail;
        return result;
    }

    SceneFileResult unreadable(platform::FailureKind reason, const QString& detail)
    {
        SceneFileResult result = failed(SceneFileError::Unreadable, detail);
        result.reason = reason;
        return result;
    }

    platform::FailureKind readFailureKind(int error)
    {
        if (error == ENOENT) return platform::FailureKind::Missing;
        if (error == EISDIR) return platform::FailureKind::NotAFile;
        return platform::failureFromErrno(error, platform::FailureKind::WriteFailed);
    }

    QString systemText(int error)
    {
        return QString::fromLocal8Bit(std::strerror(error));
    }

} // namespace

bool isPlainFileName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && !name.contains(QChar(0))
        && name.toUtf8().size() <= kNameBytesLimit;
}

QString badValueKey(const SceneState& s)
{
    for (int n = 0; n < 3; ++n) {
        const LineState& line = s.lines[n];
        if (line.text.size() > kSceneTextLimit) return linePath(n, "text");
        if (line.family.size() > kSceneFontLimit) return linePath(n, "font");
        if (!inRange(line.sizeRow, 0, rules::kSizeRows - 1)) return linePath(n, "sizeRow");
        if (!rules::isListSize(line.size)) return linePath(n, "size");
        if (!inRange(line.offset.x(), -kSceneOffsetLimit, kSceneOffsetLimit)) return linePath(n, "x");
        if (!inRange(line.offset.y(), -kSceneOffsetLimit, kSceneOffsetLimit)) return linePath(n, "y");
        if (!inRange(line.depth, -18, 18)) return linePath(n, "depth");
    }
    if (!inRange(s.methodRow, 0, rules::kMethodRows - 1)) return QStringLiteral("viewing");
    if (!s.pattern.isEmpty() && !isPlainFileName(s.pattern)) return QStringLiteral("pattern");
    if (!s.background.isEmpty() && !isPlainFileName(s.background)) return QStringLiteral("background");
    if (!inRange(s.zoomRow, 0, rules::kZoomRows - 1)) return QStringLiteral("zoomRow");
    if (!inRange(s.pan.x(), -kSceneOffsetLimit, kSceneOffsetLimit)) return QStringLiteral("pan.x");
    if (!inRange(s.pan.y(), -kSceneOffsetLimit, kSceneOffsetLimit)) return QStringLiteral("pan.y");
    if (!inRange(s.heightRow, 0, rules::kHeightRows - 1)) return QStringLiteral("heightRow");
    if (!inRange(s.kt, rules::relief(0), rules::relief(rules::kHeightRows - 1))) return QStringLiteral("relief");
    for (int i = 0; i < 2; ++i)
        if (!inRange(s.nearFarRows[i], 0, rules::kNearFarRows - 1)) return QStringLiteral("nearFarRows[%1]").arg(i);
    if (!inRange(s.exportSizeRow, 0, rules::kExportSizeRows - 1)) return QStringLiteral("exportSizeRow");
    return {};
}

SceneFileResult parseScene(const QByteArray& bytes)
{
    if (bytes.size() > kSceneFileLimit) return failed(SceneFileError::TooLarge, QString::number(bytes.size()));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (document.isNull()) {
        // What begins as a JSON object was meant as one: broken, or cut short.
        const bool begun = bytes.trimmed().startsWith('{');
        return failed(begun ? SceneFileError::Damaged : SceneFileError::NotJson,
            QStringLiteral("%1 at byte %2").arg(error.errorString()).arg(error.offset));
    }
    if (!document.isObject()) return failed(SceneFileError::NotAScene, {});
    const QJsonObject root = document.object();
    const QJsonValue format = root.value(QStringLiteral("format"));
    if (format.toString() != kSceneFormatName) return failed(SceneFileError::NotAScene, format.toString());
    try {
        const Reader r(root, {});
        const int version = r.integer(QStringLiteral("version"));
        if (version > kSceneVersion) return failed(SceneFileError::NewerVersion, QString::number(version));
        if (version < 1) throw BadKey { QStringLiteral("version") };
        SceneState state = readState(r);
        if (const QString key = badValueKey(state); !key.isEmpty()) return failed(SceneFileError::BadValue, key);
        SceneFileResult result;
        result.state = std::move(state);
        result.flatGiven = root.contains(kFlatKey);
        return result;
    } catch (const BadKey& bad) {
        return failed(SceneFileError::BadValue, bad.path);
    }
}

SceneFileResult readSceneFile(const QString& path)
{
    const QFileInfo info(path);
    // A folder, a pipe (reading it could wait for ever) or a device is no scene.
    if (info.exists() && !info.isFile())
        return unreadable(
            platform::FailureKind::NotAFile, info.isDir() ? systemText(EISDIR) : QStringLiteral("not a regular file"));
    // The size is checked before anything is read; what is read is bounded too, in
    // case the file grows meanwhile.
    if (info.exists() && info.size() > kSceneFileLimit)
        return failed(SceneFileError::TooLarge, QString::number(info.size()));
    QFile file(path);
    errno = 0;
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        const int error = path.isEmpty() ? ENOENT : errno;
        return unreadable(readFailureKind(error), error ? systemText(error) : file.errorString());
    }
    errno = 0;
    const QByteArray bytes = file.read(kSceneFileLimit + 1);
    if (file.error() != QFileDevice::NoError) return unreadable(readFailureKind(errno), file.errorString());
    return parseScene(bytes);
}

QByteArray sceneJson(const SceneState& s)
{
    QJsonArray lines;
    for (const LineState& line : s.lines) {
        lines.append(QJsonObject {
            { QStringLiteral("text"), line.text },
            { QStringLiteral("font"), line.family },
            { QStringLiteral("sizeRow"), line.sizeRow },
            { QStringLiteral("size"), line.size },
            { QStringLiteral("x"), line.offset.x() },
            { QStringLiteral("y"), line.offset.y() },
            { QStringLiteral("italic"), line.italic },
            { QStringLiteral("bold"), line.bold },
            { QStringLiteral("depth"), line.depth },
        });
    }
    QJsonObject root {
        { QStringLiteral("format"), kSceneFormatName },
        { QStringLiteral("version"), kSceneVersion },
        { QStringLiteral("lines"), lines },
        { QStringLiteral("viewing"), rules::methodName(s.methodRow) },
        { QStringLiteral("pattern"), s.pattern },
        { QStringLiteral("background"), s.background },
        { kFlatKey, s.flat },
        { QStringLiteral("zoomRow"), s.zoomRow },
        { QStringLiteral("pan"),
            QJsonObject { { QStringLiteral("x"), s.pan.x() }, { QStringLiteral("y"), s.pan.y() } } },
        { QStringLiteral("heightRow"), s.heightRow },
        { QStringLiteral("relief"), s.kt },
        { QStringLiteral("nearFarRows"), QJsonArray { s.nearFarRows[0], s.nearFarRows[1] } },
        { QStringLiteral("exportSizeRow"), s.exportSizeRow },
        { QStringLiteral("quality"), s.quality },
        { QStringLiteral("lighterNear"), s.lighterNear },
    };
    // Written only when on: a scene that does not use it stays as it was written before.
    if (s.keepAspect) root.insert(QStringLiteral("keepAspect"), true);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<platform::Failure> writeSceneFile(const SceneState& state, const QString& path)
{
    return platform::writeFile(sceneJson(state), path);
}

void settleFlat(SceneFileResult& read, const QString& firstBackground)
{
    if (!read.state || read.flatGiven) return;
    read.state->flat = read.state->background.isEmpty() || read.state->background == firstBackground;
}

QString firstBackground(const QString& folder)
{
    if (folder.isEmpty()) return {};
    const QStringList entries = platform::listFolder(folder);
    const auto first = std::find_if(
        entries.begin(), entries.end(), [](const QString& name) { return platform::listedInFolder(name, false); });
    return first != entries.end() ? *first : QString();
}

} // namespace scene
