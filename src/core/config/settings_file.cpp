#include "core/config/settings_file.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvela {
namespace {

QString reasonOf(int error)
{
    return qt_error_string(error);
}

class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }

private:
    int m_fd;
};

// False with errno set; a short write goes on where it stopped. `reached` is the end of what
// was written.
bool writeAll(int fd, const char* data, qint64 size, qint64 offset, qint64& reached)
{
    reached = offset;
    while (size > 0) {
        const ssize_t written =
            ::pwrite(fd, data, static_cast<std::size_t>(size), static_cast<off_t>(reached));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) {
            errno = ENOSPC;
            return false;
        }
        data += written;
        size -= written;
        reached += written;
    }
    return true;
}

bool writeAll(int fd, const char* data, qint64 size, qint64 offset)
{
    qint64 reached = 0;
    return writeAll(fd, data, size, offset, reached);
}

bool truncateTo(int fd, qint64 size)
{
    while (::ftruncate(fd, static_cast<off_t>(size)) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

// Reads to the end, but never more than the largest configuration.
bool readAll(int fd, QByteArray& bytes, QString& problem)
{
    bytes.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            problem = reasonOf(errno);
            return false;
        }
        if (got == 0)
            return true;
        if (bytes.size() + got > MaxSettingsFileSize) {
            problem = QStringLiteral("it is larger than %1 MB, too large for a configuration")
                          .arg(MaxSettingsFileSize / (1024 * 1024));
            return false;
        }
        bytes.append(buffer, static_cast<int>(got));
    }
}

// What stat() says is wrong with reading the file, or an empty text.
QString kindProblem(const struct stat& info)
{
    if (S_ISDIR(info.st_mode))
        return QStringLiteral("it is a folder");
    if (!S_ISREG(info.st_mode))
        return QStringLiteral("it is not a regular file");
    if (info.st_size > MaxSettingsFileSize)
        return QStringLiteral("it is larger than %1 MB, too large for a configuration")
            .arg(MaxSettingsFileSize / (1024 * 1024));
    return QString();
}

void syncFolder(const QByteArray& folder)
{
    const Descriptor fd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid())
        ::fsync(fd.get());
}

// The permissions, and where allowed the owner, of the file being replaced.
void adoptAttributes(int fd, const struct stat* existing)
{
    if (!existing)
        return;
    ::fchmod(fd, existing->st_mode & 07777);
    if (existing->st_uid != ::geteuid() || existing->st_gid != ::getegid()) {
        [[maybe_unused]] const int kept = ::fchown(fd, existing->st_uid, existing->st_gid);
        // The set-user and set-group bits do not survive a change of owner.
        ::fchmod(fd, existing->st_mode & 07777);
    }
}

QByteArray tempNameIn(const QByteArray& folder, const QByteArray& base)
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray name = folder + '/' + base + '.';
    for (int i = 0; i < 6; ++i)
        name += letters[QRandomGenerator::global()->bounded(62)];
    return name;
}

// A save names its new file only for the moment between making it visible and renaming it over
// the old one; a kill in that moment leaves it behind. One older than this is such a leftover,
// never a save in progress.
constexpr int LeftoverSeconds = 60;

bool isTempName(const QString& name, const QString& base)
{
    if (name.size() != base.size() + 7 || !name.startsWith(base + QLatin1Char('.')))
        return false;
    for (int i = base.size() + 1; i < name.size(); ++i) {
        const char16_t c = name.at(i).unicode();
        if (!((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')))
            return false;
    }
    return true;
}

void removeLeftovers(const QByteArray& folder, const QByteArray& base)
{
    const QString baseName = QFile::decodeName(base);
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-LeftoverSeconds);
    const QDir dir(QFile::decodeName(folder));
    for (const QFileInfo& info :
         dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks)) {
        if (isTempName(info.fileName(), baseName) && info.ownerId() == ::geteuid() &&
            info.lastModified().toUTC() < before)
            QFile::remove(info.filePath());
    }
}

bool refusedByFolder(int error)
{
    return error == EACCES || error == EPERM || error == EROFS;
}

enum class Replace
{
    Done,
    Failed,        // `problem` says why; the file is as it was
    FolderRefused, // no new file may be made in the folder
};

// Writes the new content to a file of its own beside the target and renames it over the target.
Replace replaceByRename(const QByteArray& target, const QByteArray& bytes,
                        const struct stat* existing, QString& problem)
{
    const auto slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0    ? QByteArray(".")
                              : slash == 0 ? QByteArray("/")
                                           : target.left(slash);
    const QByteArray base = target.mid(slash + 1);
    const QString leftAlone =
        existing ? QStringLiteral("; the file was left as it was") : QString();

    // An unnamed file vanishes with the process that made it; a named one is the way where the
    // file system or the missing /proc does not allow that.
    for (const bool unnamed : {true, false}) {
        QByteArray tempName;
        int fd = -1;
        if (unnamed) {
#ifdef O_TMPFILE
            fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
#else
            errno = EOPNOTSUPP;
#endif
            if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL))
                continue;
        } else {
            tempName = folder + '/' + base + ".XXXXXX";
            fd = ::mkostemp(tempName.data(), O_CLOEXEC);
        }
        if (fd < 0) {
            const int error = errno;
            problem = reasonOf(error) + leftAlone;
            return refusedByFolder(error) ? Replace::FolderRefused : Replace::Failed;
        }
        const Descriptor file(fd);
        adoptAttributes(fd, existing);
        if (!writeAll(fd, bytes.constData(), bytes.size(), 0) || ::fsync(fd) != 0) {
            problem = reasonOf(errno) + leftAlone;
            if (!tempName.isEmpty())
                ::unlink(tempName.constData());
            return Replace::Failed;
        }
        if (unnamed) {
            const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
            bool linked = false;
            for (int attempt = 0; attempt < 100 && !linked; ++attempt) {
                tempName = tempNameIn(folder, base);
                linked = ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, tempName.constData(),
                                  AT_SYMLINK_FOLLOW) == 0;
                if (!linked && errno != EEXIST)
                    break;
            }
            if (!linked)
                continue;
        }
        if (::rename(tempName.constData(), target.constData()) != 0) {
            const int error = errno;
            ::unlink(tempName.constData());
            problem = reasonOf(error) + leftAlone;
            return refusedByFolder(error) ? Replace::FolderRefused : Replace::Failed;
        }
        syncFolder(folder);
        removeLeftovers(folder, base);
        return Replace::Done;
    }
    problem = QStringLiteral("no file can be made in its folder") + leftAlone;
    return Replace::Failed;
}

// Rewrites the file in place; on failure puts the old content back. An empty text on success.
QString rewriteInPlace(const QByteArray& target, const QByteArray& bytes)
{
    const Descriptor file(::open(target.constData(), O_RDWR | O_CLOEXEC | O_NOCTTY));
    if (!file.valid())
        return reasonOf(errno);
    const int fd = file.get();
    struct stat info = {};
    if (::fstat(fd, &info) != 0)
        return reasonOf(errno);
    if (const QString problem = kindProblem(info); !problem.isEmpty())
        return problem;
    QByteArray old;
    QString problem;
    if (!readAll(fd, old, problem))
        return problem + QStringLiteral("; the file was left as it was");
    if (old == bytes)
        return QString();

    const qint64 oldSize = old.size();
    const qint64 newSize = bytes.size();
    const qint64 common = std::min(oldSize, newSize);
    // Only what differs is written: the shorter the write, the less a kill can divide it.
    const qint64 same =
        std::mismatch(old.constData(), old.constData() + common, bytes.constData()).first -
        old.constData();

    // Puts back the old text where the new one went (writing the rest again could fail on a
    // full disk where nothing needs mending), and the old length.
    qint64 reached = same;
    const auto restore = [&](int error) {
        const QString reason = reasonOf(error);
        const qint64 end = std::min(reached, oldSize);
        if (writeAll(fd, old.constData() + same, end - same, same) && truncateTo(fd, oldSize) &&
            ::fsync(fd) == 0)
            return reason + QStringLiteral("; its previous content was put back");
        return reason + QStringLiteral(", and its previous content could not be put back (%1)")
                            .arg(reasonOf(errno));
    };

    // Empty lines, which a load drops, stand in for the room the file gains or loses: growing
    // by them leaves the old settings, one write turns them into the new ones, and the cut
    // comes last. Where the write stays within one page of the file (any file of a few
    // kilobytes) a kill cannot divide it.
    if (newSize > oldSize) {
        const QByteArray room(static_cast<int>(newSize - oldSize), '\n');
        if (!writeAll(fd, room.constData(), room.size(), oldSize)) {
            const int error = errno;
            if (truncateTo(fd, oldSize))
                return reasonOf(error) + QStringLiteral("; the file was left as it was");
            return restore(error);
        }
    }
    QByteArray changed = bytes.mid(static_cast<int>(same));
    if (newSize < oldSize)
        changed.append(QByteArray(static_cast<int>(oldSize - newSize), '\n'));
    if (!writeAll(fd, changed.constData(), changed.size(), same, reached))
        return restore(errno);
    if (newSize < oldSize && !truncateTo(fd, newSize))
        return restore(errno);
    if (::fsync(fd) != 0)
        return restore(errno);
    return QString();
}

} // namespace

SettingsFileRead ReadSettingsFile(const QString& path, QByteArray& bytes, QString& problem)
{
    bytes.clear();
    problem.clear();
    const QByteArray name = QFile::encodeName(path);
    struct stat info = {};
    if (::stat(name.constData(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return SettingsFileRead::Missing;
        problem = reasonOf(errno);
        return SettingsFileRead::Refused;
    }
    problem = kindProblem(info);
    if (!problem.isEmpty())
        return SettingsFileRead::Refused;
    // Not blocking on open, and checked again on what was opened: the name may have been given to
    // a named pipe in between.
    const Descriptor fd(::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.valid()) {
        problem = reasonOf(errno);
        return SettingsFileRead::Refused;
    }
    if (::fstat(fd.get(), &info) != 0) {
        problem = reasonOf(errno);
        return SettingsFileRead::Refused;
    }
    problem = kindProblem(info);
    if (!problem.isEmpty() || !readAll(fd.get(), bytes, problem)) {
        bytes.clear();
        return SettingsFileRead::Refused;
    }
    return SettingsFileRead::Read;
}

QString WriteSettingsFile(const QString& path, const QByteArray& bytes)
{
    QByteArray target = QFile::encodeName(path);
    struct stat info = {};
    const bool exists = ::stat(target.constData(), &info) == 0;
    if (exists) {
        if (!S_ISREG(info.st_mode))
            return S_ISDIR(info.st_mode) ? QStringLiteral("it is a folder")
                                         : QStringLiteral("it is not a regular file");
        // A link stays a link: the file it names is the one replaced.
        if (char* resolved = ::realpath(target.constData(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }
    QString problem;
    switch (replaceByRename(target, bytes, exists ? &info : nullptr, problem)) {
    case Replace::Done:
        return QString();
    case Replace::Failed:
        return problem;
    case Replace::FolderRefused:
        break;
    }
    if (!exists)
        return problem;
    return rewriteInPlace(target, bytes);
}

} // namespace orvela
