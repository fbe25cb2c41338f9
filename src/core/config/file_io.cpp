#include "core/config/file_io.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace orvela::file_io {

QString reasonOf(int error)
{
    return qt_error_string(error);
}

Descriptor::~Descriptor()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

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

bool readAll(int fd, QByteArray& bytes, QString& problem, qint64 limit)
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
        if (bytes.size() + got > limit) {
            problem = QStringLiteral("it is larger than %1 MB, too large for a configuration")
                          .arg(limit / (1024 * 1024));
            return false;
        }
        bytes.append(buffer, static_cast<int>(got));
    }
}

void syncFolder(const QByteArray& folder)
{
    const Descriptor fd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid())
        ::fsync(fd.get());
}

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

} // namespace orvela::file_io
