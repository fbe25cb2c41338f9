#pragma once

// The number forms of the live displays: gauge value labels and limits with one decimal, the
// wind value with none. Qt Core only, so the forms can be checked without widgets.

#include "support/station_time.h"

#include <QLocale>
#include <QString>

namespace orvela {

// `value` rounded to `decimals` places, or to 7 significant digits if that is fewer, in
// fixed-point notation with the locale's decimal point and minus sign and no group separators.
// A value with more than 7 digits before the decimal point (after that rounding) is written in
// scientific notation with 7 significant digits instead. Ties go away from zero, judged on the
// value's 7 significant digits (0.35f reads 0.35, so it shows as 0.4). A value that rounds to
// zero shows no minus sign. Not-a-number and infinities are written as the locale writes them.
QString FixedValueText(double value, int decimals, const QLocale& locale = QLocale());

// The form of gauge value labels and of the limits in the Min/Max dialog: one decimal.
QString GaugeValueText(float value, const QLocale& locale = QLocale());
// The form of the wind value label: no decimals.
QString WindValueText(float value, const QLocale& locale = QLocale());

// The last-update label: "d mmm yyyy hh:mm:ss" with the locale's short month name and time
// separator, written from the civil fields, never through a time zone.
QString LastUpdateText(StationTime lastUpdate, const QLocale& locale = QLocale());

// Reads `text` as a number in the locale's format and holds it as a single-precision float.
// False when the text is not a number (a group separator makes it none), or not a finite float
// (infinity, not-a-number, beyond the float range): none of these can be a gauge limit.
bool ParseFloatText(const QString& text, const QLocale& locale, float& out);

} // namespace orvela
