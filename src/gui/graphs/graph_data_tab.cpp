#include "gui/graphs/graph_data_tab.h"

namespace orvela {
namespace {

// The panels' places at the design size, in the order of settings::GraphPositions.
const std::array<QRect, settings::GraphPositions.size()> PositionPlaces = {{{0, 0, 440, 321},
                                                                            {440, 0, 440, 321},
                                                                            {881, 0, 440, 321},
                                                                            {0, 321, 440, 321},
                                                                            {440, 321, 440, 321},
                                                                            {881, 321, 440, 321}}};

} // namespace

GraphDataTab::GraphDataTab(QWidget* parent)
    : PositionTab(QStringLiteral("tabGraphData"), settings::GraphPositions, PositionPlaces, parent)
{}

void GraphDataTab::loadSettings(const SettingsStore& store)
{
    for (GraphPosition* position : positions())
        position->loadSettings(store);
}

void GraphDataTab::refreshCaptions()
{
    for (GraphPosition* position : positions())
        position->refreshCaption();
}

void GraphDataTab::hideCursors()
{
    for (GraphPosition* position : positions())
        position->hideCursor();
}

void GraphDataTab::requireWholeWindows()
{
    for (const GraphPosition* position : positions())
        position->chart()->requireWholeWindow();
}

void GraphDataTab::returnMemoryAfterRound()
{
    long long wholeRows = 0;
    for (const GraphPosition* position : positions())
        if (position->chart()->lastLoadReadWholeWindow())
            wholeRows += position->chart()->lastLoadRows();
    if (wholeRows >= GraphChart::RowsWorthReturningMemory)
        GraphChart::ReturnFreedMemory();
}

QStringList GraphDataTab::timeRanges() const
{
    QStringList ranges;
    for (const GraphPosition* position : positions())
        ranges << position->timeRange();
    return ranges;
}

} // namespace orvela
