#include "core/app/runtime_folder.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvela {

void ProvideRuntimeFolder()
{
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return;
    const passwd* account = getpwuid(getuid());
    const QString user =
        account != nullptr ? QString::fromLocal8Bit(account->pw_name) : QString::number(getuid());
    const QByteArray folder =
        QFile::encodeName(QDir::tempPath() + QStringLiteral("/runtime-") + user);
    mkdir(folder.constData(), S_IRWXU);
    struct stat status
    {};
    if (lstat(folder.constData(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != getuid())
        return;
    if ((status.st_mode & 07777) != S_IRWXU && chmod(folder.constData(), S_IRWXU) != 0)
        return;
    qputenv("XDG_RUNTIME_DIR", folder);
}

} // namespace orvela
