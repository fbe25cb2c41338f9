#pragma once

// Whether a configuration file can be saved where it is, asked at start, so that an operator
// learns before the close (and not from a failed save) that the choices of this run would be
// lost.

#include <QString>

namespace orvela {

// Why a save to `path` would fail, or an empty text when it would succeed. The answer comes
// from trying: an existing file is opened for writing (without changing it), otherwise a
// temporary file is created and removed in its folder. Permission bits alone would say
// "writable" to root on a read-only mount and "not writable" where an access list allows it.
// A path whose file exists but cannot be read (or names a folder, a named pipe or a device) gives
// an empty text: loading it fails and says so already, and such a file is never saved.
QString ConfigWriteProblem(const QString& path);

} // namespace orvela
