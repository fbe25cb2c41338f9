#pragma once

// A folder that not even root may write: a read-only bind mount of a temporary folder. Tests
// run as root, where permission bits stop nothing, so only the file system can refuse. Making
// the mount needs that right (root with CAP_SYS_ADMIN); isValid() is false where it is missing.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace orvela::test {

class ReadOnlyFolder
{
public:
    ReadOnlyFolder()
    {
        if (!m_base.isValid() || !QDir(m_base.path()).mkdir(QStringLiteral("source")) ||
            !QDir(m_base.path()).mkdir(QStringLiteral("view")))
            return;
        QProcess mount;
        mount.start(QStringLiteral("mount"), {QStringLiteral("--bind"), QStringLiteral("-o"),
                                              QStringLiteral("ro"), sourcePath(), path()});
        m_mounted = mount.waitForFinished(10000) && mount.exitStatus() == QProcess::NormalExit &&
                    mount.exitCode() == 0;
        // Some kernels make the bind writable and want a second, remounting step.
        if (m_mounted && writable()) {
            QProcess remount;
            remount.start(QStringLiteral("mount"),
                          {QStringLiteral("-o"), QStringLiteral("remount,bind,ro"), path()});
            remount.waitForFinished(10000);
        }
    }
    ~ReadOnlyFolder()
    {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {path()});
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    bool isValid() const { return m_mounted && !writable(); }
    // The read-only view, and the writable folder behind it.
    QString path() const { return m_base.filePath(QStringLiteral("view")); }
    QString sourcePath() const { return m_base.filePath(QStringLiteral("source")); }

private:
    bool writable() const
    {
        QFile probe(QDir(path()).filePath(QStringLiteral(".probe")));
        if (!probe.open(QIODevice::WriteOnly))
            return false;
        probe.remove();
        return true;
    }

    QTemporaryDir m_base;
    bool m_mounted = false;
};

} // namespace orvela::test
