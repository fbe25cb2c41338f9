#pragma once

// The "Graph Data" tab: the graph positions of settings::GraphPositions. Each position keeps its
// own settings; the tab reaches all of them at once: their choosers, captions, cursors and
// sections of the configuration.

#include <QRect>
#include <QWidget>

#include <array>
#include <utility>
#include <vector>

class QComboBox;

namespace orvela {

class GraphPosition;
class SettingsStore;

class GraphDataTab : public QWidget
{
    Q_OBJECT
public:
    static constexpr int PositionCount = 6;

    explicit GraphDataTab(QWidget* parent = nullptr);

    // `slot` 1 to 6, as numbered in settings::GraphPositions.
    GraphPosition* position(int slot) const;
    const std::array<GraphPosition*, PositionCount>& positions() const { return m_positions; }
    // The position whose chooser or chart `object` is, or null.
    GraphPosition* positionOf(const QObject* object) const;

    // Every panel and the rectangle it takes at the design size.
    std::vector<std::pair<QWidget*, QRect>> designPlaces() const;

    void loadSettings(const SettingsStore& store);
    void saveSettings(SettingsStore& store) const;

    void fillChoosers(const QStringList& stationSensors);
    void refreshCaptions();
    void hideCursors();
    // The next load of every graph reads its whole window, not only what is new.
    void requireWholeWindows();
    // After a round of loads that read many rows whole, hands the heap's free pages back.
    void returnMemoryAfterRound();

    QStringList sensorNames() const;
    QStringList timeRanges() const;
    QStringList units() const;

signals:
    // The operator picked an item of a position's chooser; filling the choosers is no pick.
    void sensorPicked(QComboBox* chooser);

private:
    std::array<GraphPosition*, PositionCount> m_positions{};
};

} // namespace orvela
