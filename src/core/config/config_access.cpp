#include "core/config/config_access.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace orvela {

QString ConfigWriteProblem(const QString& path)
{
    const QFileInfo info(path);
    // A folder, a named pipe or a device is refused by the load, which says so; opening a pipe
    // here would wait for a writer for good.
    if (info.exists() && !info.isFile())
        return QString();
    if (info.exists()) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return QString();
        file.close();
        // Append mode never truncates: the probe leaves the file as it was.
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
            return QStringLiteral("the file cannot be written (%1)").arg(file.errorString());
        return QString();
    }
    const QDir folder = info.absoluteDir();
    if (!folder.exists())
        return QStringLiteral("the folder %1 does not exist")
            .arg(QDir::toNativeSeparators(folder.absolutePath()));
    QTemporaryFile probe(folder.filePath(info.fileName() + QStringLiteral(".XXXXXX")));
    if (!probe.open())
        return QStringLiteral("no file can be created in the folder %1 (%2)")
            .arg(QDir::toNativeSeparators(folder.absolutePath()), probe.errorString());
    return QString();
}

} // namespace orvela
