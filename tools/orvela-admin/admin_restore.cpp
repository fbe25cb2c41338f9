#include "admin_restore.h"

#include "admin_command.h"
#include "core/app/restore_channel.h"

#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace orvela::admin {
namespace {

// The folder of this program, without an application object.
QString ExecutableFolder()
{
#ifdef Q_OS_WIN
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return QFileInfo(QString::fromWCharArray(path, static_cast<int>(length))).absolutePath();
#else
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    return self.exists() ? QFileInfo(self.canonicalFilePath()).absolutePath() : QDir::currentPath();
#endif
}

} // namespace

QString RestoreUsage()
{
    return QStringLiteral("restore [FILE]\n");
}

int RestoreCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (args.size() > 1)
        return UsageError(err, QStringLiteral("restore: too many arguments"), RestoreUsage());
    const QString file = args.isEmpty()
                             ? QDir(ExecutableFolder()).filePath(QStringLiteral("Orvela.ovf"))
                             : args.first();
    if (!RequestRestore(file))
        return Failure(
            err,
            QStringLiteral("restore: no program has %1 open").arg(QDir::toNativeSeparators(file)));
    out << "restored\n";
    return ExitDone;
}

} // namespace orvela::admin
