#pragma once

// The names and defaults of the configuration file "Orvela.ovf", in one place for the program
// and for orvela-admin.

#include <QLatin1String>
#include <QString>

#include <array>
#include <cstdint>

namespace orvela::settings {

inline constexpr QLatin1String FileName{"Orvela.ovf"};

// Sections, in the order a first save writes them ("Graph1".."Graph6", "LiveData1".."LiveData7"
// come from GraphSection() and LiveSection()).
inline constexpr QLatin1String Windows{"Windows"};
inline constexpr QLatin1String Application{"Application"};
inline constexpr QLatin1String DataBase{"DataBase"};
inline constexpr QLatin1String LogForm{"LogForm"};

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
inline constexpr QLatin1String Top{"Top"};
inline constexpr QLatin1String Left{"Left"};
inline constexpr QLatin1String Height{"Height"};
inline constexpr QLatin1String Width{"Width"};
// "Application"
inline constexpr QLatin1String ImageFile{"ImageFile"};
inline constexpr QLatin1String Title{"Title"};
inline constexpr QLatin1String GraphUpdate{"GraphUpdate"};
// "DataBase"
inline constexpr QLatin1String DataSource{"DataSource"};
inline constexpr QLatin1String UserName{"UserName"};
inline constexpr QLatin1String Password{"Password"};
inline constexpr QLatin1String Station{"Station"};
// "LogForm"
inline constexpr QLatin1String Showing{"Showing"};
// "Graph1".."Graph6" and "LiveData1".."LiveData7"
inline constexpr QLatin1String Name{"Name"};
inline constexpr QLatin1String Units{"Units"};
inline constexpr QLatin1String TimeRange{"TimeRange"};
inline constexpr QLatin1String Min{"Min"};
inline constexpr QLatin1String Max{"Max"};

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

inline constexpr QLatin1String DefaultTitle{"Orvela"};
inline constexpr std::int32_t DefaultGraphUpdate = 5;
inline constexpr QLatin1String DefaultTimeRange{"2"};
inline constexpr int MaxTimeRange = 5;
inline constexpr QLatin1String DefaultWindUnits{"deg"}; // "Units" of "LiveData7"

struct GaugeLimits
{
    double minimum;
    double maximum;
};
// "Min" and "Max" of "LiveData1".."LiveData6", index slot - 1.
inline constexpr std::array<GaugeLimits, GaugeSlotCount> DefaultGaugeLimits{
    {{-30, 60}, {0, 100}, {0, 100}, {0, 15}, {0, 100}, {0, 100}}};

} // namespace orvela::settings
