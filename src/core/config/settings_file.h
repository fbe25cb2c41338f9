#pragma once

// The configuration file read and replaced as a whole. Operators leave the program running for
// weeks and it saves at its close, so a save may meet a kill, a full disk or a folder it may
// not write: whatever happens, the file must keep the settings it had or take the new ones.

#include <QByteArray>
#include <QString>

namespace orvela {

// Larger than any configuration: a file beyond it is refused rather than read into memory.
inline constexpr long long MaxSettingsFileSize = 64LL * 1024 * 1024;

enum class SettingsFileRead
{
    Read,    // `bytes` holds the file
    Missing, // there is no such file (nor the folder it would be in)
    Refused, // `problem` says why: a folder, not a regular file, too large, a read error
};

// Only a regular file (or a link to one) is read: a named pipe would block the start for good,
// and a device such as /dev/zero never ends. A save in place that was cut off is finished first
// (see WriteSettingsFile()): `bytes` is the new content, the file is mended where it may be
// written, and `notice` says so.
SettingsFileRead ReadSettingsFile(const QString& path, QByteArray& bytes, QString& problem,
                                  QString* notice = nullptr);

// Replaces the content of the file at `path` (following a symbolic link) by `bytes`. Returns an
// empty text on success, otherwise why it failed, saying what became of the file.
//
// The new content goes to a file of its own in the same folder, flushed to the disk, which then
// takes the old file's name in one step: the file is the old one or the new one at every moment.
// The file has no name until it is complete where the system allows, so a killed save leaves at
// most a named copy from the instant before the rename, which a later save removes. A new file is
// readable by its owner only (it holds the stored password); an existing one keeps its permissions
// and, where allowed, its owner.
//
// Where the folder refuses a new file but the file itself may be written, the file is rewritten
// in place: what must grow is written first (a full disk then fails before the old text is
// touched), then the part that differs, and the length is cut last; on any failure the old
// content is put back. A journal of the old and the new content, kept in the user's data folder
// during the rewrite, lets ReadSettingsFile() finish a rewrite that a kill cut off.
QString WriteSettingsFile(const QString& path, const QByteArray& bytes);

} // namespace orvela
