#pragma once

// The names and defaults of the configuration file "Orvela.ovf", in one place for the program
// and for orvela-admin.

#include <QLatin1String>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>

namespace orvela::settings {

// QLatin1String's constructor from a bare pointer measures it with strlen, which is not a
// constant expression everywhere; the array's own length is.
template <std::size_t N> constexpr QLatin1String Latin1(const char (&text)[N])
{
    return QLatin1String(text, static_cast<int>(N - 1));
}

inline constexpr QLatin1String FileName = Latin1("Orvela.ovf");

// Sections, in the order a first save writes them ("Graph1".."Graph6", "LiveData1".."LiveData7"
// come from GraphSection() and LiveSection()).
inline constexpr QLatin1String Windows = Latin1("Windows");
inline constexpr QLatin1String Application = Latin1("Application");
inline constexpr QLatin1String DataBase = Latin1("DataBase");
inline constexpr QLatin1String LogForm = Latin1("LogForm");

inline constexpr int GraphSlotCount = 6;
inline constexpr int LiveSlotCount = 7;
// Live slots 1 to 6 have gauge limits; slot 7 is the wind direction chart.
inline constexpr int GaugeSlotCount = 6;

inline QString GraphSection(int slot)
{
    return QStringLiteral("Graph") + QString::number(slot);
}

inline QString LiveSection(int slot)
{
    return QStringLiteral("LiveData") + QString::number(slot);
}

// "Windows" and "LogForm"
inline constexpr QLatin1String Top = Latin1("Top");
inline constexpr QLatin1String Left = Latin1("Left");
inline constexpr QLatin1String Height = Latin1("Height");
inline constexpr QLatin1String Width = Latin1("Width");
// "Application"
inline constexpr QLatin1String ImageFile = Latin1("ImageFile");
inline constexpr QLatin1String Title = Latin1("Title");
inline constexpr QLatin1String GraphUpdate = Latin1("GraphUpdate");
// "DataBase"
inline constexpr QLatin1String DataSource = Latin1("DataSource");
inline constexpr QLatin1String UserName = Latin1("UserName");
inline constexpr QLatin1String Password = Latin1("Password");
inline constexpr QLatin1String Station = Latin1("Station");
// "LogForm"
inline constexpr QLatin1String Showing = Latin1("Showing");
// "Graph1".."Graph6" and "LiveData1".."LiveData7"
inline constexpr QLatin1String Name = Latin1("Name");
inline constexpr QLatin1String Units = Latin1("Units");
inline constexpr QLatin1String TimeRange = Latin1("TimeRange");
inline constexpr QLatin1String Min = Latin1("Min");
inline constexpr QLatin1String Max = Latin1("Max");
// Operator's tools, written after the first layout's keys of their sections; a file without them
// works as before, on their defaults: "StaleMinutes" of "Application" (the age
// past which a reading is stale; 0 automatic, below 0 off) and "AlarmLow", "AlarmHigh" of
// "LiveData1".."LiveData6" (real; empty or missing is no limit).
inline constexpr QLatin1String StaleMinutes = Latin1("StaleMinutes");
inline constexpr QLatin1String AlarmLow = Latin1("AlarmLow");
inline constexpr QLatin1String AlarmHigh = Latin1("AlarmHigh");

// Defaults of values whose key is missing.
struct Bounds
{
    std::int32_t top;
    std::int32_t left;
    std::int32_t height;
    std::int32_t width;
};
// The main window's design bounds.
inline constexpr Bounds MainWindowBounds{31, 36, 728, 1344};
// The Messages window's bounds, read only when "Showing" is true.
inline constexpr Bounds LogFormBounds{0, 0, 295, 408};
inline constexpr bool LogFormShowing = false;

inline constexpr QLatin1String DefaultTitle = Latin1("Orvela");
inline constexpr std::int32_t DefaultGraphUpdate = 5;
inline constexpr std::int32_t DefaultStaleMinutes = 0; // derived from "GraphUpdate"
inline constexpr QLatin1String DefaultTimeRange = Latin1("2");
inline constexpr int MaxTimeRange = 5;
// "Graph1".."Graph6", added to the first layout: whether the line breaks where readings are
// missing, and the gap in minutes beyond which it does (0: five times the median spacing of the
// readings shown). A file without them breaks lines at the automatic limit.
inline constexpr QLatin1String BreakAtGaps = Latin1("BreakAtGaps");
inline constexpr QLatin1String GapMinutes = Latin1("GapMinutes");
inline constexpr bool DefaultBreakAtGaps = true;
inline constexpr double DefaultGapMinutes = 0.0;
inline constexpr QLatin1String DefaultWindUnits = Latin1("deg"); // "Units" of "LiveData7"

struct GaugeLimits
{
    double minimum;
    double maximum;
};
// "Min" and "Max" of "LiveData1".."LiveData6", index slot - 1.
inline constexpr std::array<GaugeLimits, GaugeSlotCount> DefaultGaugeLimits{
    {{-30, 60}, {0, 100}, {0, 100}, {0, 15}, {0, 100}, {0, 100}}};

} // namespace orvela::settings
