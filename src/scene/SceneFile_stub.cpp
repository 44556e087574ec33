// A stand-in for the scene file code while it is written elsewhere: the same functions
// over a plain JSON object, enough for the windows to open and save scenes.
#include "scene/SceneFile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace scene {

namespace {
    const QString kFormat = QStringLiteral("voleta-scene");
    constexpr int kVersion = 1;

    QJsonArray point(QPoint p)
    {
        return { p.x(), p.y() };
    }
    QPoint point(const QJsonValue& v)
    {
        return { v.toArray().at(0).toInt(), v.toArray().at(1).toInt() };
    }
} // namespace

QByteArray sceneJson(const SceneState& s)
{
    QJsonArray lines;
    for (const LineState& l : s.lines)
        lines.append(
            QJsonObject { { "text", l.text }, { "family", l.family }, { "sizeRow", l.sizeRow }, { "size", l.size },
                { "offset", point(l.offset) }, { "italic", l.italic }, { "bold", l.bold }, { "depth", l.depth } });
    const QJsonObject o { { "format", kFormat }, { "version", kVersion }, { "lines", lines },
        { "methodRow", s.methodRow }, { "pattern", s.pattern }, { "background", s.background },
        { "zoomRow", s.zoomRow }, { "pan", point(s.pan) }, { "heightRow", s.heightRow }, { "kt", s.kt },
        { "nearFarRows", QJsonArray { s.nearFarRows[0], s.nearFarRows[1] } }, { "exportSizeRow", s.exportSizeRow },
        { "quality", s.quality }, { "lighterNear", s.lighterNear } };
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

SceneFileResult parseScene(const QByteArray& bytes)
{
    SceneFileResult r;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        r.error = SceneFileError::NotJson;
        r.detail = error.errorString();
        return r;
    }
    const QJsonObject o = doc.object();
    if (o.value("format").toString() != kFormat) {
        r.error = SceneFileError::NotAScene;
        return r;
    }
    if (o.value("version").toInt() > kVersion) {
        r.error = SceneFileError::NewerVersion;
        r.detail = QString::number(o.value("version").toInt());
        return r;
    }
    SceneState s = startScene();
    const QJsonArray lines = o.value("lines").toArray();
    for (int n = 0; n < 3 && n < lines.size(); ++n) {
        const QJsonObject l = lines.at(n).toObject();
        LineState& line = s.lines[n];
        line.text = l.value("text").toString();
        line.family = l.value("family").toString();
        line.sizeRow = l.value("sizeRow").toInt();
        line.size = l.value("size").toInt();
        line.offset = point(l.value("offset"));
        line.italic = l.value("italic").toBool();
        line.bold = l.value("bold").toBool();
        line.depth = l.value("depth").toInt();
    }
    s.methodRow = o.value("methodRow").toInt();
    s.pattern = o.value("pattern").toString();
    s.background = o.value("background").toString();
    s.zoomRow = o.value("zoomRow").toInt();
    s.pan = point(o.value("pan"));
    s.heightRow = o.value("heightRow").toInt();
    s.kt = o.value("kt").toInt();
    s.nearFarRows = { o.value("nearFarRows").toArray().at(0).toInt(), o.value("nearFarRows").toArray().at(1).toInt() };
    s.exportSizeRow = o.value("exportSizeRow").toInt();
    s.quality = o.value("quality").toBool();
    s.lighterNear = o.value("lighterNear").toBool();
    if (s.methodRow < 0 || s.methodRow > 1) {
        r.error = SceneFileError::BadValue;
        r.detail = QStringLiteral("methodRow");
        return r;
    }
    r.state = s;
    return r;
}

SceneFileResult readSceneFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return { std::nullopt, SceneFileError::Unreadable, file.errorString() };
    if (file.size() > kSceneFileLimit) return { std::nullopt, SceneFileError::TooLarge, {} };
    return parseScene(file.readAll());
}

std::optional<platform::Failure> writeSceneFile(const SceneState& state, const QString& path)
{
    QSaveFile file(path);
    const QByteArray bytes = sceneJson(state);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return platform::Failure { platform::FailureKind::WriteFailed, path, file.errorString() };
    return std::nullopt;
}

} // namespace scene
