#pragma once

// Whole files for the tests: read, or written from bytes.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace testfiles {

// The file's bytes; none when it cannot be read.
inline QByteArray read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The bytes as the file at path, or its beginning when it is to have size bytes (the rest
// takes no disk). A file that cannot be written ends the test program.
inline QString write(const QString &path, const QByteArray &bytes, qint64 size = -1)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
        (size >= 0 && !file.resize(size)))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

} // namespace testfiles
