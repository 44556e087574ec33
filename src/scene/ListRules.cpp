#include "scene/ListRules.h"

#include "text/TextLayer.h"

namespace scene::rules {

QStringList sizeCaptions()
{
    QStringList rows;
    for (int row = 0; row < kSizeRows; ++row)
        rows << QString::number(sizePoints(row));
    return rows;
}

int sizePoints(int row)
{
    return kFirstSizePoints + kSizeStepPoints * row;
}

int drawnSize(int row)
{
    return row >= 0 ? drawnSizeOfPoints(sizePoints(row)) : 0;
}

int drawnSizeOfPoints(int points)
{
    return points * text::kSizeFactor;
}

std::optional<int> sizeRowOfPoints(int points)
{
    if (points < kFirstSizePoints || points > kLastSizePoints || (points - kFirstSizePoints) % kSizeStepPoints != 0)
        return std::nullopt;
    return (points - kFirstSizePoints) / kSizeStepPoints;
}

bool isListSize(int size)
{
    return size % text::kSizeFactor == 0 && sizeRowOfPoints(size / text::kSizeFactor).has_value();
}

QStringList heightCaptions()
{
    return { QStringLiteral("0.5×"), QStringLiteral(" 1 ×"), QStringLiteral("1.5×"), QStringLiteral(" 2 ×"),
        QStringLiteral("2.5×"), QStringLiteral(" 3 ×") };
}

int relief(int heightRow)
{
    return heightRow + 1;
}

int heightRowOfRelief(int kt)
{
    return kt - 1;
}

QStringList methodCaptions()
{
    return { QStringLiteral("平行方"), QStringLiteral("交差方") };
}

int viewingSign(int methodRow)
{
    return methodRow == 1 ? -1 : 1;
}

QString methodName(int methodRow)
{
    return methodRow == 1 ? QStringLiteral("crossed") : QStringLiteral("parallel");
}

std::optional<int> methodRowOfName(const QString& name)
{
    for (int row = 0; row < kMethodRows; ++row)
        if (name == methodName(row)) return row;
    return std::nullopt;
}

QStringList zoomCaptions()
{
    return { QStringLiteral(" 1 ×"), QStringLiteral("1.5×"), QStringLiteral(" 2 ×"), QStringLiteral("2.5×"),
        QStringLiteral(" 3 ×"), QStringLiteral(" 4 ×") };
}

QStringList nearFarCaptions()
{
    QStringList rows;
    for (int i = 10; i >= 1; --i)
        rows << QStringLiteral("近%1").arg(i);
    rows << QStringLiteral(" 0");
    for (int i = 1; i <= 10; ++i)
        rows << QStringLiteral("遠%1").arg(i);
    return rows;
}

QStringList exportSizeCaptions()
{
    return { QStringLiteral(" 640 × 480"), QStringLiteral(" 720 × 480"), QStringLiteral(" 800 × 600"),
        QStringLiteral("1024× 768"), QStringLiteral("1152× 720"), QStringLiteral("1440× 900") };
}

} // namespace scene::rules
