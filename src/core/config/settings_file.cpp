#include "core/config/settings_file.h"

#include "core/config/file_io.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvela {
namespace {

using namespace file_io;

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
// `unsettled` tells whether the file may be left neither old nor new (the old content could not
// be put back).
QString rewriteInPlace(const QByteArray& target, const QByteArray& bytes, bool& unsettled)
{
    unsettled = false;
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
    if (!readAll(fd, old, problem, MaxSettingsFileSize))
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
        unsettled = true;
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

// A rewrite in place is one write of what differs, which a kill can divide where it spans pages
// of a large file. So it first keeps the old and the new content in a journal of its own, in the
// user's data folder (the file's folder refuses new files), and removes the journal once the file
// is settled. A journal left by a kill lets the next read finish the save: a read sees the old
// file or the new one, whatever moment the kill came at.
//
// The journal opens with a checksum of what follows, so one cut short by a kill while it was
// written (the file not yet touched) is recognised and dropped. One whose file was changed by
// anything but the rewrite since (bytes that are neither the old nor the new ones) is dropped
// too: the file as it stands wins. A save holds a lock on its journal while it works; a read
// that finds the journal locked uses the new content and leaves the file to that save.
const QByteArray JournalMagic = "orvela unfinished save 1\n";
constexpr qint64 JournalHeaderLimit = 4096 + 3 * 20;

struct Journal
{
    QByteArray target;
    QByteArray old;
    QByteArray fresh;
};

QByteArray journalPathFor(const QByteArray& target)
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        return {};
    const QByteArray hash = QCryptographicHash::hash(target, QCryptographicHash::Sha256).toHex();
    return QFile::encodeName(data + QStringLiteral("/orvela/unfinished-saves/")) + hash.left(32) +
           ".save";
}

QByteArray journalBytes(const Journal& journal)
{
    const QByteArray body = QByteArray::number(journal.target.size()) + ' ' +
                            QByteArray::number(journal.old.size()) + ' ' +
                            QByteArray::number(journal.fresh.size()) + '\n' + journal.target +
                            journal.old + journal.fresh;
    return JournalMagic + QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex() +
           '\n' + body;
}

bool parseJournal(const QByteArray& bytes, Journal& journal)
{
    if (!bytes.startsWith(JournalMagic))
        return false;
    const auto hashEnd = bytes.indexOf('\n', JournalMagic.size());
    if (hashEnd < 0)
        return false;
    const QByteArray body = bytes.mid(hashEnd + 1);
    if (QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex() !=
        bytes.mid(JournalMagic.size(), hashEnd - JournalMagic.size()))
        return false;
    const auto sizesEnd = body.indexOf('\n');
    if (sizesEnd < 0 || sizesEnd > JournalHeaderLimit)
        return false;
    const QList<QByteArray> sizes = body.left(sizesEnd).split(' ');
    if (sizes.size() != 3)
        return false;
    int lengths[3] = {};
    qint64 total = sizesEnd + 1;
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const qint64 length = sizes[i].toLongLong(&ok);
        if (!ok || length < 0 || length > MaxSettingsFileSize)
            return false;
        lengths[i] = static_cast<int>(length);
        total += length;
    }
    if (total != body.size())
        return false;
    journal.target = body.mid(sizesEnd + 1, lengths[0]);
    journal.old = body.mid(sizesEnd + 1 + lengths[0], lengths[1]);
    journal.fresh = body.mid(sizesEnd + 1 + lengths[0] + lengths[1]);
    return true;
}

// Whether `file` can be what a rewrite from the journal's old content to its new one left when
// it was cut off: no longer nor shorter than both, every byte the old one, the new one or an
// empty line standing in for room.
bool leftByRewrite(const QByteArray& file, const Journal& journal)
{
    const int oldSize = journal.old.size();
    const int freshSize = journal.fresh.size();
    if (file.size() < std::min(oldSize, freshSize) || file.size() > std::max(oldSize, freshSize))
        return false;
    for (int i = 0; i < file.size(); ++i) {
        const char c = file.at(i);
        if (c != '\n' && !(i < oldSize && c == journal.old.at(i)) &&
            !(i < freshSize && c == journal.fresh.at(i)))
            return false;
    }
    return true;
}

// Writes the journal of a rewrite in place and returns its path with the lock held on
// `locked`, or an empty path where no journal could be kept (the rewrite then goes on without).
QByteArray keepJournal(const Journal& journal, int& locked)
{
    locked = -1;
    const QByteArray path = journalPathFor(journal.target);
    if (path.isEmpty())
        return {};
    const QByteArray folder = path.left(path.lastIndexOf('/'));
    if (!QDir().mkpath(QFile::decodeName(folder)))
        return {};
    ::chmod(folder.constData(), 0700);
    QByteArray temp = path + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return {};
    const QByteArray bytes = journalBytes(journal);
    if (::flock(fd, LOCK_EX) != 0 || !writeAll(fd, bytes.constData(), bytes.size(), 0) ||
        ::fsync(fd) != 0 || ::rename(temp.constData(), path.constData()) != 0) {
        ::unlink(temp.constData());
        ::close(fd);
        return {};
    }
    syncFolder(folder);
    locked = fd;
    return path;
}

// A journal being written has a name of its own until it is complete; a kill leaves that file.
// A save holds its lock from the start, so one that can be locked is a leftover.
void removeJournalLeftovers(const QByteArray& path)
{
    const auto slash = path.lastIndexOf('/');
    const QString base = QFile::decodeName(path.mid(slash + 1));
    const QDir dir(QFile::decodeName(path.left(slash)));
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks)) {
        if (!isTempName(info.fileName(), base))
            continue;
        const QByteArray name = QFile::encodeName(info.filePath());
        const Descriptor fd(::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        if (fd.valid() && ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0)
            ::unlink(name.constData());
    }
}

void dropJournal(const QByteArray& path)
{
    if (::unlink(path.constData()) == 0)
        syncFolder(path.left(path.lastIndexOf('/')));
}

// A journal left for `target` by a save that was cut off: `bytes` (the file as read) becomes the
// new content, and the file is mended where it can be. Returns a sentence for the operator when
// the file was not what a complete save left.
QString finishUnfinishedSave(const QByteArray& target, QByteArray& bytes)
{
    const QByteArray path = journalPathFor(target);
    if (path.isEmpty())
        return {};
    removeJournalLeftovers(path);
    const Descriptor fd(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat info = {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    const bool saving = ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0;
    QByteArray content;
    QString problem;
    Journal journal;
    // One cut short while it was written: the file was not touched yet.
    if (!readAll(fd.get(), content, problem, 3 * MaxSettingsFileSize + JournalHeaderLimit) ||
        !parseJournal(content, journal) || journal.target != target) {
        if (!saving)
            dropJournal(path);
        return {};
    }
    const QString file = QFile::decodeName(target);
    if (!leftByRewrite(bytes, journal)) {
        if (saving)
            return {};
        dropJournal(path);
        return QStringLiteral("A save of %1 was cut off earlier, and the file was changed since: "
                              "it is read as it stands")
            .arg(file);
    }
    if (saving || bytes == journal.fresh) {
        bytes = journal.fresh;
        if (!saving)
            dropJournal(path);
        return {};
    }
    bool unsettled = false;
    problem = rewriteInPlace(target, journal.fresh, unsettled);
    bytes = journal.fresh;
    if (!problem.isEmpty()) {
        // A later read or save tries again.
        return QStringLiteral("A save of %1 was cut off; its new content was read from %2, but "
                              "the file cannot be mended yet: %3")
            .arg(file, QFile::decodeName(path), problem);
    }
    dropJournal(path);
    return QStringLiteral("A save of %1 was cut off; it was finished from its journal").arg(file);
}

// The file a path names, following links; the path itself where it names nothing.
QByteArray resolvedTarget(const QByteArray& name)
{
    QByteArray target = name;
    if (char* resolved = ::realpath(name.constData(), nullptr)) {
        target = resolved;
        std::free(resolved);
    }
    return target;
}

} // namespace

SettingsFileRead ReadSettingsFile(const QString& path, QByteArray& bytes, QString& problem,
                                  QString* notice)
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
    if (!problem.isEmpty() || !readAll(fd.get(), bytes, problem, MaxSettingsFileSize)) {
        bytes.clear();
        return SettingsFileRead::Refused;
    }
    const QString finished = finishUnfinishedSave(resolvedTarget(name), bytes);
    if (notice)
        *notice = finished;
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
        target = resolvedTarget(target);
    }
    QString problem;
    switch (replaceByRename(target, bytes, exists ? &info : nullptr, problem)) {
    case Replace::Done:
        // What an earlier save cut off in place is superseded.
        if (exists)
            if (const QByteArray journal = journalPathFor(target); !journal.isEmpty())
                ::unlink(journal.constData());
        return QString();
    case Replace::Failed:
        return problem;
    case Replace::FolderRefused:
        break;
    }
    if (!exists)
        return problem;

    QByteArray old;
    if (ReadSettingsFile(QFile::decodeName(target), old, problem) != SettingsFileRead::Read)
        return problem;
    if (old == bytes)
        return QString();
    // A journal the read could not finish (the file cannot be mended now, or another save is at
    // work on it) is not replaced: it is what makes the file whole again.
    if (const QByteArray earlier = journalPathFor(target);
        !earlier.isEmpty() && ::access(earlier.constData(), F_OK) == 0)
        return QStringLiteral("an earlier save of it was cut off and cannot be finished yet; the "
                              "file was left as it was");
    int locked = -1;
    const QByteArray journal = keepJournal({target, old, bytes}, locked);
    bool unsettled = false;
    problem = rewriteInPlace(target, bytes, unsettled);
    if (!journal.isEmpty()) {
        if (!unsettled)
            dropJournal(journal);
        ::close(locked);
    }
    return problem;
}

} // namespace orvela
