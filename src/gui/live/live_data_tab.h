#pragma once

// The "Live Data" tab: the live positions of settings::LivePositions and the station panel.
// Each position keeps its own settings; the tab reaches all of them at once: their choosers,
// captions, readings and ages, and their sections of the configuration.

#include "core/live/reading_watch.h"
#include "gui/live/live_position.h"
#include "gui/widgets/position_tab.h"

namespace orvela {

class StationPanel;
class StationQueries;

class LiveDataTab : public PositionTab<LivePosition, settings::LivePositions.size()>
{
    Q_OBJECT
public:
    explicit LiveDataTab(QWidget* parent = nullptr);

    LivePosition* windPosition() const;
    StationPanel* stationPanel() const { return m_stationPanel; }

    // Once a gauge refuses the limits read, the later gauges keep theirs: false comes back.
    bool loadSettings(const SettingsStore& store);

    void refreshCaptions(const QString& station);
    // The latest reading of every gauge, the wind chart aside; the alarm lines they call for.
    QStringList refreshGauges(const QString& station, StationQueries& queries);
    // Judges the age of every reading shown and of the station's newest data at `now`, marks the
    // stale ones and returns the lines of what went stale or came back.
    QStringList judgeAges(DateTime now, std::int64_t limitSeconds);

private:
    StationPanel* m_stationPanel = nullptr;
    StaleLog m_staleLog;
};

} // namespace orvela
