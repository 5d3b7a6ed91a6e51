#pragma once

// The soak's sign folder: good and broken pictures of every format, alternating in name order.
#include <QByteArray>
#include <QString>

#include <vector>

namespace soak {

struct SignFile
{
    const char *name;
    QByteArray bytes;
};

std::vector<SignFile> signFiles();
// Writes every file into the folder; false when one could not be written whole.
bool writeFolder(const QString &folder, const std::vector<SignFile> &files);

} // namespace soak
