#pragma once

// Whether a graph load reads its whole window or only what is new. A timer refresh of a graph
// whose station, sensor, range and connection are the ones of its last complete load reads the
// readings from its newest one on, less an overlap for readings that arrive late, and keeps
// what it holds before that; the readings that left the window's start are dropped. Anything
// else reads the whole window: a first load, another station, sensor or range, a new
// connection, a load that was stopped or failed, a clock that went back, an explicit request
// (the Setup command), and the first load an hour after the last whole one, which also picks
// up readings changed or stored late beyond the overlap. Times are StationTime throughout.

#include "core/graphs/graph_text.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace orvela {

// What a load is of: two loads of the same key and window show the same readings.
struct GraphLoadKey
{
    QString station; // without surrounding blanks
    QString sensor;
    int rangeIndex = DefaultGraphRange;
    std::uint64_t connection = 0; // StationDatabase::ConnectionSerial

    friend bool operator==(const GraphLoadKey& a, const GraphLoadKey& b)
    {
        return a.station == b.station && a.sensor == b.sensor && a.rangeIndex == b.rangeIndex &&
               a.connection == b.connection;
    }
    friend bool operator!=(const GraphLoadKey& a, const GraphLoadKey& b) { return !(a == b); }
};

class GraphLoadPlan
{
public:
    // Readings stored up to this long after the newest one a graph holds are still found.
    static constexpr StationTime OverlapSeconds = 5 * 60;
    // The longest a graph goes without reading its whole window.
    static constexpr StationTime WholeWindowEverySeconds = 60 * 60;

    // Where a load of `window` for `key` starts reading: a time within the window, from which
    // on it replaces what the graph holds, or nothing for the whole window. `newestHeld` is the
    // time of the newest reading the graph holds, if any.
    std::optional<StationTime> ReadFrom(const GraphLoadKey& key, const GraphWindow& window,
                                        std::optional<DateTime> newestHeld) const;
    // A load begins: until it completes, what the graph holds is no base for the next one.
    void LoadStarted(bool wholeWindow);
    // A load ran to its end and the graph holds every reading of `window`.
    void LoadCompleted(const GraphLoadKey& key, const GraphWindow& window, bool wholeWindow);
    // The next load reads the whole window.
    void RequireWholeWindow() { m_wholeRequired = true; }

private:
    bool m_held = false;
    bool m_wholeRequired = false;
    GraphLoadKey m_key;
    GraphWindow m_window;
    StationTime m_wholeAt = 0; // the end of the window of the last whole read
};

} // namespace orvela
