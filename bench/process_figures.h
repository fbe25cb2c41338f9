#pragma once

// The figures both benchmark programs print about themselves: the resident set, the heap in use,
// the open file descriptors, and the median of a series of times.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <malloc.h>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace orvela::bench {

// The heap bytes the program holds (allocated and not freed), where the C library tells them.
inline double HeapBytesInUse()
{
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
    const struct mallinfo2 heap = mallinfo2();
    return static_cast<double>(heap.uordblks + heap.hblkhd);
#else
    return 0.0;
#endif
}

// VmRSS of /proc/self/status in megabytes; 0 where there is no such file.
inline double ResidentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0.0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0.0;
}

inline int OpenDescriptors()
{
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd"))
                                .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)
                                .size());
}

// The middle value; the mean of the two middle ones for an even count. Not for an empty list.
inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

} // namespace orvela::bench
