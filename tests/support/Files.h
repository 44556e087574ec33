// Reading and writing whole files in tests.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

namespace testing {

// The file's bytes; empty when it cannot be read.
inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Whether all of `bytes` went into the file, made afresh or emptied first.
inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// A folder's entries by name, hidden ones included; none for no folder.
inline QStringList entries(const QString& folder)
{
    if (folder.isEmpty()) return {};
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace testing
