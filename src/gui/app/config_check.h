#pragma once

// The start-up word about where the configuration lives.

#include <QString>

namespace orvela {

class TfrmLog;

// The Messages window line for a configuration at `path` that cannot be saved, or an empty
// text when it can. `chosenByOption` is true when --config named the file; the file beside the
// program gets the hint to use --config instead.
QString UnsavableConfigLine(const QString& path, bool chosenByOption);

// Adds that line to the Messages window when there is one; returns the line (empty when none).
QString ReportUnsavableConfig(TfrmLog& log, const QString& path, bool chosenByOption);

} // namespace orvela
