// The two picture folders beside the application.
#pragma once

#include <QString>

inline const QString kSourceFolder = QStringLiteral("画像フォルダ"); // pattern pictures
inline const QString kBackgroundFolder = QStringLiteral("背景フォルダ"); // terrain maps; the first is the flat plane
