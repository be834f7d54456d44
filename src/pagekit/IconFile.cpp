#include "pagekit/IconFile.h"

#include <QFileInfo>
#include <QIcon>
#include <QString>

QIcon iconFile(const QString& name)
{
    if (QFileInfo(name).isFile())
        return QIcon(name);
    // The resource holds the icon files under their own relative names.
    const QString builtIn = QStringLiteral(":/facetra/") + name;
    return QFileInfo(builtIn).isFile() ? QIcon(builtIn) : QIcon();
}
