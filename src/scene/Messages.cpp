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

QString sceneNotOpened(const QString& path, const SceneFileResult& result)
{
    QString why;
    switch (result.error) {
    case SceneFileError::Unreadable:
        why = QStringLiteral("ファイルを読めません")
            + (result.detail.isEmpty() ? QString() : QStringLiteral("（%1）").arg(result.detail));
        break;
    case SceneFileError::TooLarge:
        why = QStringLiteral("場面ファイルにしては大きすぎます（1 MB を超えています）");
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
        why = QStringLiteral("「%1」の値が正しくありません").arg(result.detail);
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
