#include "scene/Messages.h"

#include "scene/SceneFile.h"

#include <QFileInfo>

namespace scene::messages {

QString pictureNotFound()
{
    return QStringLiteral("画像が見つかりません");
}

QString picturesNotFound(const QStringList& names)
{
    return pictureNotFound() + QLatin1Char('\n') + names.join(QLatin1Char('\n'));
}

QString folderEmpty(bool sourceFolder)
{
    return sourceFolder ? QStringLiteral("画像フォルダーに画像がありません")
                        : QStringLiteral("背景フォルダーに画像がありません");
}

QString folderNotFound(bool sourceFolder, const QString& path)
{
    return (sourceFolder ? platform::kSourceFolderName : platform::kBackgroundFolderName)
        + QStringLiteral("が見つかりません") + (path.isEmpty() ? QString() : QStringLiteral("\n") + path);
}

QString foldersMadeEmpty(platform::FolderState why, const QStringList& paths, const QString& reason)
{
    const QString because = why == platform::FolderState::CopyFailed
        ? QStringLiteral("見本の画像をコピーできなかったため")
        : QStringLiteral("見本の画像がインストールされていないため");
    return because + QStringLiteral("、次のフォルダーを空のまま作りました。画像を入れてからお使いください。\n")
        + paths.join(QLatin1Char('\n')) + (reason.isEmpty() ? QString() : QStringLiteral("\n（%1）").arg(reason));
}

QString writeFailure(platform::FailureKind kind)
{
    using platform::FailureKind;
    switch (kind) {
    case FailureKind::NoPermission:
        return QStringLiteral("この場所に書き込む権限がありません");
    case FailureKind::NoSpace:
        return QStringLiteral("ディスクの空き容量が足りません");
    case FailureKind::FolderMissing:
        return QStringLiteral("保存先のフォルダがありません");
    case FailureKind::NameNotAllowed:
        return QStringLiteral("この名前のファイルは作れません");
    default:
        return QStringLiteral("書き込みに失敗しました");
    }
}

QString pictureNotSaved(platform::FailureKind kind)
{
    return QStringLiteral("画像を保存できませんでした") + QLatin1Char('\n') + writeFailure(kind);
}

QString sceneNotSaved(platform::FailureKind kind)
{
    return QStringLiteral("場面を保存できませんでした") + QLatin1Char('\n') + writeFailure(kind);
}

QString pictureNotAdded(bool background, platform::FailureKind kind)
{
    return QStringLiteral("画像を%1に追加できませんでした")
               .arg(background ? platform::kBackgroundFolderName : platform::kSourceFolderName)
        + QLatin1Char('\n') + writeFailure(kind);
}

QString notPrinted()
{
    return QStringLiteral("印刷できませんでした");
}

QString nothingToPaste()
{
    return QStringLiteral("クリップボードに画像がありません");
}

QString oneSceneAtATime()
{
    return QStringLiteral("場面ファイルは一度に一つずつ開いてください");
}

namespace {

    // A setting of a scene file, by its key path ("lines[0].depth"), as the settings window
    // labels it, with the values it allows where they can be said shortly.
    QString settingOf(const QString& key)
    {
        struct Setting {
            const char* key;
            const char* name;
            const char* range;
        };
        static const Setting lineSettings[] = { { "text", "文字列", "10000 文字まで" }, { "font", "フォント", "" },
            { "size", "文字サイズ", "70〜200" }, { "sizeRow", "文字サイズ", "70〜200" },
            { "x", "文字位置", "−1000000〜1000000" }, { "y", "文字位置", "−1000000〜1000000" },
            { "italic", "斜体", "" }, { "bold", "太字", "" }, { "depth", "遠近", "−18〜18" } };
        static const Setting settings[] = { { "viewing", "立体視", "平行方か交差方" }, { "pattern", "元画像", "" },
            { "background", "背景", "" }, { "flat", "背景", "" }, { "zoomRow", "縮尺", "1 ×〜4 ×" },
            { "pan", "地図の位置", "−1000000〜1000000" }, { "heightRow", "高低差", "0.5×〜3 ×" },
            { "relief", "高低差", "0.5×〜3 ×" }, { "nearFarRows", "遠近一覧", "近10〜遠10" },
            { "exportSizeRow", "書き出しサイズ", "" }, { "quality", "高画質", "" },
            { "lighterNear", "明るいほど手前", "" }, { "keepAspect", "縦横比を保つ", "" } };
        const auto said = [](const QString& name, const char* range) {
            return *range ? QStringLiteral("「%1」の値が正しくありません（%2）").arg(name, QString::fromUtf8(range))
                          : QStringLiteral("「%1」の値が正しくありません").arg(name);
        };
        static const QString lineNames[3] = { QStringLiteral("上段"), QStringLiteral("中段"), QStringLiteral("下段") };
        const QString line = key.section(QLatin1Char('.'), 0, 0), field = key.section(QLatin1Char('.'), 1);
        if (line.startsWith(QLatin1String("lines["))) {
            const int n = line.mid(6, 1).toInt();
            for (const Setting& s : lineSettings)
                if (field == QLatin1String(s.key) && n >= 0 && n < 3)
                    return said(lineNames[n] + QStringLiteral("の") + QString::fromUtf8(s.name), s.range);
        }
        const QString top = key.section(QLatin1Char('['), 0, 0).section(QLatin1Char('.'), 0, 0);
        for (const Setting& s : settings)
            if (top == QLatin1String(s.key)) return said(QString::fromUtf8(s.name), s.range);
        return QStringLiteral("「%1」の値が正しくありません").arg(key);
    }

    // Why a file could not be read, as the user can act on it.
    QString readFailure(platform::FailureKind kind)
    {
        switch (kind) {
        case platform::FailureKind::Missing:
            return QStringLiteral("ファイルがありません");
        case platform::FailureKind::NotAFile:
            return QStringLiteral("ファイルではありません（フォルダーなど）");
        case platform::FailureKind::NoPermission:
            return QStringLiteral("ファイルを読む権限がありません");
        default:
            return QStringLiteral("ファイルを読めません");
        }
    }

} // namespace

QString sceneNotOpened(const QString& path, const SceneFileResult& result)
{
    QString why;
    switch (result.error) {
    case SceneFileError::Unreadable:
        why = readFailure(result.reason);
        break;
    case SceneFileError::TooLarge:
        why = QStringLiteral("場面ファイルにしては大きすぎます（1 MB を超えています）");
        break;
    case SceneFileError::Damaged:
        why = QStringLiteral("場面ファイルが壊れているか途中で切れています");
        break;
    case SceneFileError::NotJson:
    case SceneFileError::NotAScene:
        why = QStringLiteral("Voleta の場面ファイルではありません");
        break;
    case SceneFileError::NewerVersion:
        why = QStringLiteral("新しい版の Voleta で作られた場面です")
            + (result.detail.isEmpty() ? QString() : QStringLiteral("（形式の版 %1）").arg(result.detail));
        break;
    case SceneFileError::BadValue:
        why = settingOf(result.detail);
        break;
    }
    return QStringLiteral("場面を開けませんでした\n%1\n%2").arg(QFileInfo(path).fileName(), why);
}

QString scenePicturesMissing(const QStringList& pictures)
{
    QStringList lines;
    for (const QString& picture : pictures)
        lines << QStringLiteral("場面の%1が見つかりません").arg(picture);
    return lines.join(QLatin1Char('\n'));
}

} // namespace scene::messages
