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
// are the positions' own, at the end).
inline constexpr QLatin1String Windows = Latin1("Windows");
inline constexpr QLatin1String Application = Latin1("Application");
inline constexpr QLatin1String DataBase = Latin1("DataBase");
inline constexpr QLatin1String LogForm = Latin1("LogForm");

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

struct GaugeLimits
{
    double minimum;
    double maximum;
};

enum class PositionKind
{
    Graph,
    Thermometer,
    Dial,
    WindChart
};

// One display position as the configuration file and the window know it: its section, the
// number of its sensor chooser (cbxSensorsN), the component the popup commands act on, and the
// values a section without the keys gives.
struct Position
{
    int slot; // within its tab, from 1
    PositionKind kind;
    QLatin1String section;
    int chooser;
    QLatin1String display;
    GaugeLimits limits; // "Min" and "Max"; gauges only
    double majorStep;   // between the labelled marks of a thermometer's scale; 0: its own choice
    QLatin1String units;
};

// The positions, in the order a save writes their sections. Units are kept per position; the
// thirteen texts of all of them, graphs first, are the window's SlotUnits.
inline constexpr std::array<Position, 6> GraphPositions{{
    {1, PositionKind::Graph, Latin1("Graph1"), 1, Latin1("teeGraph1"), {}, 0, {}},
    {2, PositionKind::Graph, Latin1("Graph2"), 2, Latin1("teeGraph2"), {}, 0, {}},
    {3, PositionKind::Graph, Latin1("Graph3"), 3, Latin1("teeGraph3"), {}, 0, {}},
    {4, PositionKind::Graph, Latin1("Graph4"), 4, Latin1("teeGraph4"), {}, 0, {}},
    {5, PositionKind::Graph, Latin1("Graph5"), 5, Latin1("teeGraph5"), {}, 0, {}},
    {6, PositionKind::Graph, Latin1("Graph6"), 6, Latin1("teeGraph6"), {}, 0, {}},
}};
inline constexpr std::array<Position, 7> LivePositions{{
    {1,
     PositionKind::Thermometer,
     Latin1("LiveData1"),
     7,
     Latin1("vrThermoMeter1"),
     {-30, 60},
     0,
     {}},
    {2,
     PositionKind::Thermometer,
     Latin1("LiveData2"),
     8,
     Latin1("vrThermoMeter2"),
     {0, 100},
     0,
     {}},
    {3,
     PositionKind::Thermometer,
     Latin1("LiveData3"),
     9,
     Latin1("vrThermoMeter3"),
     {0, 100},
     0,
     {}},
    {4,
     PositionKind::Thermometer,
     Latin1("LiveData4"),
     10,
     Latin1("vrThermoMeter4"),
     {0, 15},
     1,
     {}},
    {5, PositionKind::Dial, Latin1("LiveData5"), 11, Latin1("vrAngularMeter1"), {0, 100}, 0, {}},
    {6, PositionKind::Dial, Latin1("LiveData6"), 12, Latin1("vrAngularMeter2"), {0, 100}, 0, {}},
    {7, PositionKind::WindChart, Latin1("LiveData7"), 13, Latin1("chrtWind"), {}, 0, Latin1("deg")},
}};

inline constexpr bool HasGaugeLimits(const Position& position)
{
    return position.kind == PositionKind::Thermometer || position.kind == PositionKind::Dial;
}

// The SlotUnits entry of the position whose display is named `display`: the graphs' entries come
// first, then the live positions'; -1 for a name no position has.
inline int SlotUnitsEntryOf(const QString& display)
{
    int entry = 0;
    const auto find = [&display, &entry](const auto& positions) {
        for (const Position& position : positions) {
            if (display == position.display)
                return true;
            ++entry;
        }
        return false;
    };
    return find(GraphPositions) || find(LivePositions) ? entry : -1;
}

inline constexpr int GraphSlotCount = static_cast<int>(GraphPositions.size());
inline constexpr int LiveSlotCount = static_cast<int>(LivePositions.size());

// The section of graph or live slot N, for the tools that write a configuration slot by slot.
inline QString GraphSection(int slot)
{
    return GraphPositions.at(static_cast<std::size_t>(slot - 1)).section;
}

inline QString LiveSection(int slot)
{
    return LivePositions.at(static_cast<std::size_t>(slot - 1)).section;
}

} // namespace orvela::settings
