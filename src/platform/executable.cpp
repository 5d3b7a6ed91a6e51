#include "platform/executable.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace executable {

QString baseName()
{
    return baseNameOf(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
}

QString folder()
{
    return QCoreApplication::applicationDirPath();
}

QString baseNameOf(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot > 0 ? fileName.left(dot) : fileName;
}

} // namespace executable
