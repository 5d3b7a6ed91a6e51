#pragma once

#include "base/result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

// The sign folder's list of picture files: the folder's own regular files whose extension is one
// of the pattern's, hidden files left out, in name order without regard to letter case. The list
// is read when a folder is set and stays as it was read until the next set.
class FileList
{
public:
    static constexpr const char *kPattern = "*.bmp;*.wmf;*.emf;*.gif;*.jpg;*.jpeg";
    // Positions are 16-bit signed, so no more entries than that can be reached; a bigger folder
    // keeps the first ones in name order.
    static constexpr int kMaxEntries = 32767;

    // Lists the process's working directory until another folder is set. A list keeps at most
    // maxEntries (fewer than kMaxEntries only where a test needs a small cut).
    explicit FileList(int maxEntries = kMaxEntries);

    // Reads the folder anew, even when it is the one already held. On failure the list keeps its
    // folder and entries; the error's message is the system's own wording (e.g. "Permission
    // denied") and its code the errno. The empty path names no folder and is not found.
    Status setPath(const QString &path);
    // The failure the sign folder dialog answers by asking again; every other is only described.
    static bool isNotFound(const Error &error);
    const QString &path() const { return m_path; }

    qint16 count() const { return static_cast<qint16>(m_entries.size()); }
    // The file name at a position, without any folder part; nothing outside 0..count-1.
    std::optional<QString> entry(int position) const;
    const QStringList &entries() const { return m_entries; }
    // True when the folder held more matching files than a list can hold.
    bool truncated() const { return m_truncated; }

    static bool matchesPattern(QByteArrayView fileName);

    // File names as the system stores them are bytes: UTF-8 with any other byte kept (see
    // rawbytes.h), so encodeName gives back exactly the bytes on disk and such a file can still
    // be opened.
    static QString decodeName(QByteArrayView bytes);
    static QByteArray encodeName(const QString &name);

private:
    QString m_path;
    QStringList m_entries;
    bool m_truncated = false;
    int m_maxEntries;
};
