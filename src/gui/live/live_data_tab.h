#pragma once

// The "Live Data" tab: the live positions of settings::LivePositions and the station panel.
// Each position keeps its own settings; the tab reaches all of them at once: their choosers,
// captions, readings and ages, and their sections of the configuration.

#include "core/live/reading_watch.h"

#include <QRect>
#include <QWidget>

#include <array>
#include <utility>
#include <vector>

class QComboBox;

namespace orvela {

class LivePosition;
class SettingsStore;
class StationPanel;
class StationQueries;

class LiveDataTab : public QWidget
{
    Q_OBJECT
public:
    static constexpr int PositionCount = 7;

    explicit LiveDataTab(QWidget* parent = nullptr);

    // `slot` 1 to 7, as numbered in settings::LivePositions.
    LivePosition* position(int slot) const;
    const std::array<LivePosition*, PositionCount>& positions() const { return m_positions; }
    LivePosition* windPosition() const;
    StationPanel* stationPanel() const { return m_stationPanel; }
    // The position whose chooser or display `object` is, or null.
    LivePosition* positionOf(const QObject* object) const;

    // Every panel and the rectangle it takes at the design size.
    std::vector<std::pair<QWidget*, QRect>> designPlaces() const;

    // Once a gauge refuses the limits read, the later gauges keep theirs: false comes back.
    bool loadSettings(const SettingsStore& store);
    void saveSettings(SettingsStore& store) const;

    void fillChoosers(const QStringList& stationSensors);
    void refreshCaptions(const QString& station);
    // The latest reading of every gauge, the wind chart aside; the alarm lines they call for.
    QStringList refreshGauges(const QString& station, StationQueries& queries);
    // Judges the age of every reading shown and of the station's newest data at `now`, marks the
    // stale ones and returns the lines of what went stale or came back.
    QStringList judgeAges(DateTime now, std::int64_t limitSeconds);

    QStringList sensorNames() const;
    QStringList units() const;

signals:
    // The operator picked an item of a position's chooser; filling the choosers is no pick.
    void sensorPicked(QComboBox* chooser);

private:
    std::array<LivePosition*, PositionCount> m_positions{};
    StationPanel* m_stationPanel = nullptr;
    StaleLog m_staleLog;
};

} // namespace orvela
