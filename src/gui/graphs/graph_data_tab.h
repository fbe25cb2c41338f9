#pragma once

// The "Graph Data" tab: the graph positions of settings::GraphPositions. Each position keeps its
// own settings; the tab reaches all of them at once: their choosers, captions, cursors and
// sections of the configuration.

#include "gui/graphs/graph_position.h"
#include "gui/widgets/position_tab.h"

namespace orvela {

class GraphDataTab : public PositionTab<GraphPosition, settings::GraphPositions.size()>
{
    Q_OBJECT
public:
    explicit GraphDataTab(QWidget* parent = nullptr);

    void loadSettings(const SettingsStore& store);
    void refreshCaptions();
    void hideCursors();
    // The next load of every graph reads its whole window, not only what is new.
    void requireWholeWindows();
    // After a round of loads that read many rows whole, hands the heap's free pages back.
    void returnMemoryAfterRound();
    QStringList timeRanges() const;
};

} // namespace orvela
