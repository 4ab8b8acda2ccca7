#include "base/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace {
QString &overridePath()
{
    static QString p;
    return p;
}
} // namespace

namespace ProgramFolder {

QString path()
{
    if (!overridePath().isEmpty())
        return overridePath();
    return QCoreApplication::applicationDirPath();
}

QString file(const QString &relative)
{
    return path() + QLatin1Char('/') + relative;
}

void setPath(const QString &folder)
{
    QString f = QDir::cleanPath(folder);
    overridePath() = folder.isEmpty() ? QString() : f;
}

} // namespace ProgramFolder
