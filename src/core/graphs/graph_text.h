#pragma once

// The texts and windows of the graphs, without widgets: the time window of a graph position,
// the series title, the axis labels ("dd/mm hh:nn", "###0.00") and the cursor read-out
// ("dd/mm/yyyy hh:nn:ss", "#.00"). Date-times are written from their civil fields by
// arithmetic, so no time zone or daylight-saving change can move a label.

#include "support/station_time.h"

#include <QLocale>
#include <QString>

namespace orvela {

// The six time ranges of a graph position, by index.
constexpr int GraphRangeCount = 6;
// The range a graph takes when its stored index is none of the six.
constexpr int DefaultGraphRange = 2;

struct GraphWindow
{
    StationTime start = 0;
    StationTime end = 0;
    DateTime startDateTime() const { return StationTimeToDateTime(start); }
    DateTime endDateTime() const { return StationTimeToDateTime(end); }
};

// The window of range `rangeIndex` that ends at `end`: it starts on the whole minute of `end`,
// 6 hours, 12 hours, 1, 3, 7 or 10 days back, so it spans the range plus end's seconds. An index
// outside 0 to 5 takes the window of DefaultGraphRange.
GraphWindow GraphWindowEndingAt(StationTime end, int rangeIndex);
// The window ending at the local clock's current second.
GraphWindow GraphWindowNow(int rangeIndex);
// The name of range `rangeIndex`: "6 hours", "12 hours", "24 hours", "3 days", "7 days" or
// "10 days"; an index outside 0 to 5 names DefaultGraphRange, whose window it takes.
QString GraphRangeLabel(int rangeIndex);

// Leading and trailing blanks and control characters (every character up to U+0020) removed.
QString TrimBlanksAndControls(const QString& text);
// The series title: the station without surrounding blanks, ".", the sensor name.
QString SeriesTitle(const QString& station, const QString& sensor);

// "dd/mm hh:nn" and "dd/mm/yyyy hh:nn:ss" with the date and time separators of the date-time
// templates (CurrentDateTimeTemplates). Seconds are rounded to the nearest one first. Empty for
// a value that is not a date between the years 1 and 9999.
QString AxisTimeText(DateTime value);
QString ReadOutTimeText(DateTime value);

// "###0.00": at least one digit before the decimal point, two after, no group separators.
// "#.00": the same without the leading "0" of a value below one ("0.5" reads ".50").
// Ties go away from zero, judged on the value's 15 significant digits; a value that rounds to
// zero carries no minus sign. Not-a-number and infinities are written as the locale writes them.
QString AxisValueText(double value, const QLocale& locale = QLocale());
QString ReadOutValueText(double value, const QLocale& locale = QLocale());

// A time difference to the second: "2:05:00" below a day,
// "3 d 02:05:00" from a day on. The sign of `days` is dropped.
QString TimeSpanText(double days);
// The read-out of two cursors on two readings, the earlier one first whichever cursor it is:
// "dd/mm/yyyy hh:nn:ss, #.00 to dd/mm/yyyy hh:nn:ss, #.00", a line break, then the time
// between them, the change of value and the change per hour, each change with its sign:
// "Δt 2:00:00, Δ +1.00, +.50 per hour". Two readings of one time have no change per hour.
QString CursorPairText(DateTime timeA, double valueA, DateTime timeB, double valueB,
                       const QLocale& locale = QLocale());
// The read-out of a cursor in a gap of the line: "No readings from A to B", or "No readings
// before B" and "No readings after A" where the gap reaches the window's edge (not-a-number
// for that end).
QString GapReadOutText(DateTime from, DateTime to);

} // namespace orvela
