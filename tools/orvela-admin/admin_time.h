#pragma once

// The time commands of orvela-admin: the program's calendar arithmetic on StationTime (seconds
// since 1984-12-31 00:00:00 local civil time), one result line each.
//
//   time encode Y MO D H MI S             EncodeStationTime of the fields as given
//   time decode T                         DecodeStationTime as YYYY-MM-DD HH:MM:SS
//   time offset Y MO D H MI S YEARS MONTHS DAYS HOURS MINUTES SECONDS
//                                         OffsetStationTime
//   time relative EXPR [REF]              EvaluateRelativeDate; REF 0 (now) when left out
//   time weekday Y MO D                   DayOfWeek, 1 Monday to 7 Sunday
//   time from-datetime D                  DateTimeToStationTime; D a decimal real with "."
//   time to-datetime T                    StationTimeToDateTime, 17 significant digits

#include "admin_command.h"

#include "support/station_time.h"

namespace orvela::admin {

QString TimeUsage();
int TimeCommand(const QStringList& args, QTextStream& out, QTextStream& err);

// YYYY-MM-DD HH:MM:SS. A field outside its usual range is printed as it is: a negative one as
// "-" and its magnitude zero-filled to the same width ("-01"), a wider one in full.
QString CivilTimeText(const CivilTime& fields);

} // namespace orvela::admin
