#pragma once

// The text encoding of the configuration file. Files are written as UTF-8 without a byte-order
// mark. Older desks wrote their files in the 8-bit Windows code page 1252, so a file is read as
// UTF-8 only when all of it is valid UTF-8, and as code page 1252 otherwise. A text that is
// valid UTF-8 and was meant as 1252 is rare: it takes a byte of 0xC2 to 0xF4 followed by the
// right number of bytes of 0x80 to 0xBF, letters such as "Ã‚" that stand together in no
// language the code page serves.

#include <QByteArray>
#include <QString>

namespace orvela {

// False for overlong forms, surrogates and code points beyond U+10FFFF, as well as for cut or
// stray sequences.
bool IsValidUtf8(const QByteArray& bytes);

// UTF-8 when valid, otherwise code page 1252. A leading UTF-8 byte-order mark is dropped in
// either case, since editors put one there and the first line is a section header.
QString DecodeSettingsText(const QByteArray& bytes);

// UTF-8, no byte-order mark.
QByteArray EncodeSettingsText(const QString& text);

} // namespace orvela
