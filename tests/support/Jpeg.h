#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace testing {

// The first entry of a JPEG's first quantisation table, -1 if there is none. The encoder
// scales the standard luminance table, whose first entry is 16, by (200 - 2q) / 100 at
// quality q >= 50: 2 at quality 95, 1 at 100 and 8 at Qt's default of 75.
inline int firstQuantisation(const QByteArray& jpeg)
{
    const auto at = [&](qsizetype i) { return i < jpeg.size() ? int(uchar(jpeg[i])) : -1; };
    // Segments follow the start marker: FF, a marker, a two-byte length; the table
    // segment (DB) holds a precision/number byte and then the entries.
    for (qsizetype i = 2; at(i) == 0xFF && at(i + 1) != 0xDA; i += 2 + (at(i + 2) << 8 | at(i + 3))) {
        if (at(i + 1) == 0xDB) return at(i + 4) >> 4 ? at(i + 5) << 8 | at(i + 6) : at(i + 5);
    }
    return -1;
}

inline int firstQuantisation(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? firstQuantisation(f.readAll()) : -1;
}

} // namespace testing
