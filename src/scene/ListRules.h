// The settings window's lists and what their rows stand for, written once: the
// captions the window shows, the values the model's setters derive from a row, the
// rows a scene file may hold and the values voleta-render's options accept all come
// from here.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace scene::rules {

// ---- Size lists: rows 0..13 show 70, 80 .. 200 points ---------------------------
constexpr int kSizeRows = 14;
constexpr int kFirstSizePoints = 70;
constexpr int kSizeStepPoints = 10;
constexpr int kLastSizePoints = kFirstSizePoints + (kSizeRows - 1) * kSizeStepPoints; // 200
QStringList sizeCaptions(); // "70" .. "200"
// The points a row shows.
int sizePoints(int row);
// The size a line is drawn at for a row, in mask pixels (text::kSizeFactor a point);
// 0 for no row (-1): nothing is drawn.
int drawnSize(int row);
// The size drawn for a number of points, whether or not a row shows it.
int drawnSizeOfPoints(int points);
// The row that shows `points`; none when no row does (75, 210).
std::optional<int> sizeRowOfPoints(int points);
// Whether some row draws a line at `size` mask pixels.
bool isListSize(int size);

// ---- Height list: rows 0..5 show 0.5 × .. 3 ×, the relief factor in half steps -----
constexpr int kHeightRows = 6;
QStringList heightCaptions(); // "0.5×", " 1 ×", "1.5×", " 2 ×", "2.5×", " 3 ×"
// The relief factor kt of a row: the row + 1 (so 1.5 × is kt 3).
int relief(int heightRow);
// The row whose relief factor is kt (1..6).
int heightRowOfRelief(int kt);

// ---- Viewing method: row 0 平行方 (parallel), row 1 交差方 (crossed) ------------------
constexpr int kMethodRows = 2;
QStringList methodCaptions(); // "平行方", "交差方"
// The viewing sign Hk of a row: 1 for parallel, -1 for crossed.
int viewingSign(int methodRow);
// The method's name in scene files and on voleta-render's command line.
QString methodName(int methodRow); // "parallel", "crossed"
// The row of such a name; none for any other text.
std::optional<int> methodRowOfName(const QString& name);

// ---- Zoom list: rows 0..5 magnify the map by (row + 2) / 2 -------------------------
constexpr int kZoomRows = 6;
QStringList zoomCaptions(); // " 1 ×", "1.5×", " 2 ×", "2.5×", " 3 ×", " 4 ×"

// ---- Near/far lists of lines 1 and 2 (beyond the window's edge) --------------------
constexpr int kNearFarRows = 21;
QStringList nearFarCaptions(); // "近10" .. "近1", " 0", "遠1" .. "遠10"

// ---- Export-size list (beyond the window's edge; read by nothing) ------------------
constexpr int kExportSizeRows = 6;
QStringList exportSizeCaptions(); // " 640 × 480" .. "1440× 900"

} // namespace scene::rules
