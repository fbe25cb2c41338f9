#pragma once

// The system calls that saving a file safely is made of, each going on after an interrupted call
// and leaving errno set where it fails.

#include <QByteArray>
#include <QString>

namespace orvela::file_io {

// The system's own words for an errno value.
QString reasonOf(int error);

// Owns an open file descriptor and closes it.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor();
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }

private:
    int m_fd;
};

// Writes `size` bytes at `offset`, a short write going on where it stopped. False with errno
// set; `reached` is the end of what was written.
bool writeAll(int fd, const char* data, qint64 size, qint64 offset, qint64& reached);
bool writeAll(int fd, const char* data, qint64 size, qint64 offset);

bool truncateTo(int fd, qint64 size);

// Reads to the end, but never more than `limit` bytes; `problem` says why it failed.
bool readAll(int fd, QByteArray& bytes, QString& problem, qint64 limit);

// Flushes a folder's entries (a new name, a removed one) to the disk.
void syncFolder(const QByteArray& folder);

// Whether `name` is `base` followed by "." and six letters or digits: the name of a file being
// made to take the place of `base`.
bool isTempName(const QString& name, const QString& base);

} // namespace orvela::file_io
