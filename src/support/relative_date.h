#pragma once

// Relative date expressions such as "LAST 6 HOURS", "THIS WEEK-1/0/0" or "03/15/2005 08:30:00",
// turned into a StationTime. The scan routine's Q directive calls this.

#include "support/format_scan.h"
#include "support/station_time.h"

namespace orvela {

// `reference` of 0 stands for the current local time. The date and time separators are those
// of CurrentDateTimeTemplates().
StationTime EvaluateRelativeDate(TextView expression, StationTime reference);

} // namespace orvela
