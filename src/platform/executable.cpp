#include "platform/executable.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace executable {

QString baseName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QString folder()
{
    return QCoreApplication::applicationDirPath();
}

} // namespace executable
