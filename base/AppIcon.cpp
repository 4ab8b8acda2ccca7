#include "base/AppIcon.h"

#include "base/ProgramFolder.h"
#include "base/IconArt.h"

#include <QFileInfo>
#include <QPixmap>

namespace Zandor {

QIcon appIcon()
{
    QIcon icon;
    for (const char *name : {"zandor-32.png", "zandor-64.png", "zandor.png"}) {
        const QString file = ProgramFolder::file(QString::fromLatin1(name));
        if (!QFileInfo(file).isFile())
            continue;
        const QPixmap pm(file);
        if (!pm.isNull())
            icon.addPixmap(pm);
    }
    if (icon.isNull()) {
        for (int size : {32, 64, 256})
            icon.addPixmap(QPixmap::fromImage(IconArt::programIcon(size)));
    }
    return icon;
}

} // namespace Zandor
