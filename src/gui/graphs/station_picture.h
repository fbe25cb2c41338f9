#pragma once

// Loading the station picture from a file. The file's type is taken from its extension,
// compared without regard to letter case: every type the toolkit can decode here is read (BMP,
// ICO, JPEG, PNG and GIF at least); any other extension is refused. A failure comes back as a
// text, so the caller keeps the picture it shows and takes the new path only after a success.

#include <QImage>
#include <QString>
#include <QStringList>

namespace orvela {

struct PictureFile
{
    QImage picture; // null on failure
    QString error;  // empty on success
    bool ok() const { return error.isEmpty(); }
};

// The extensions read, lower case, sorted.
QStringList ReadablePictureExtensions();

// "Unknown picture file extension (.EXT)" with the extension as written in the path, for a
// type that is not read; "Cannot read picture file PATH: REASON" for a file that cannot be
// opened or decoded.
PictureFile LoadPictureFile(const QString& path);

} // namespace orvela
