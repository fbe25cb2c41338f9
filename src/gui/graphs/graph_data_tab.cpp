#include "gui/graphs/graph_data_tab.h"

#include "core/config/settings_keys.h"
#include "gui/graphs/graph_position.h"

#include <QComboBox>

namespace orvela {
namespace {

// The panels' places at the design size, in the order of settings::GraphPositions.
const std::array<QRect, GraphDataTab::PositionCount> PositionPlaces = {{{0, 0, 440, 321},
                                                                        {440, 0, 440, 321},
                                                                        {881, 0, 440, 321},
                                                                        {0, 321, 440, 321},
                                                                        {440, 321, 440, 321},
                                                                        {881, 321, 440, 321}}};

} // namespace

GraphDataTab::GraphDataTab(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("tabGraphData"));
    static_assert(settings::GraphPositions.size() == PositionCount);
    for (std::size_t i = 0; i < m_positions.size(); ++i)
        m_positions.at(i) = new GraphPosition(settings::GraphPositions.at(i), this);
    for (const auto& [panel, place] : designPlaces())
        panel->setGeometry(place);
    for (GraphPosition* position : m_positions) {
        QComboBox* box = position->chooser();
        connect(box, QOverload<int>::of(&QComboBox::activated), this,
                [this, box](int) { emit sensorPicked(box); });
    }
}

GraphPosition* GraphDataTab::position(int slot) const
{
    for (GraphPosition* position : m_positions)
        if (position->slot() == slot)
            return position;
    return nullptr;
}

GraphPosition* GraphDataTab::positionOf(const QObject* object) const
{
    for (GraphPosition* position : m_positions)
        if (object && (position->chooser() == object || position->chart() == object))
            return position;
    return nullptr;
}

std::vector<std::pair<QWidget*, QRect>> GraphDataTab::designPlaces() const
{
    std::vector<std::pair<QWidget*, QRect>> places;
    for (std::size_t i = 0; i < m_positions.size(); ++i)
        places.emplace_back(m_positions.at(i), PositionPlaces.at(i));
    return places;
}

void GraphDataTab::loadSettings(const SettingsStore& store)
{
    for (GraphPosition* position : m_positions)
        position->loadSettings(store);
}

void GraphDataTab::saveSettings(SettingsStore& store) const
{
    for (const GraphPosition* position : m_positions)
        position->saveSettings(store);
}

void GraphDataTab::fillChoosers(const QStringList& stationSensors)
{
    for (GraphPosition* position : m_positions)
        position->fillChooser(stationSensors);
}

void GraphDataTab::refreshCaptions()
{
    for (GraphPosition* position : m_positions)
        position->refreshCaption();
}

void GraphDataTab::hideCursors()
{
    for (GraphPosition* position : m_positions)
        position->hideCursor();
}

void GraphDataTab::requireWholeWindows()
{
    for (const GraphPosition* position : m_positions)
        position->chart()->requireWholeWindow();
}

void GraphDataTab::returnMemoryAfterRound()
{
    long long wholeRows = 0;
    for (const GraphPosition* position : m_positions)
        if (position->chart()->lastLoadReadWholeWindow())
            wholeRows += position->chart()->lastLoadRows();
    if (wholeRows >= GraphChart::RowsWorthReturningMemory)
        GraphChart::ReturnFreedMemory();
}

QStringList GraphDataTab::sensorNames() const
{
    QStringList names;
    for (const GraphPosition* position : m_positions)
        names << position->sensorName();
    return names;
}

QStringList GraphDataTab::timeRanges() const
{
    QStringList ranges;
    for (const GraphPosition* position : m_positions)
        ranges << position->timeRange();
    return ranges;
}

QStringList GraphDataTab::units() const
{
    QStringList units;
    for (const GraphPosition* position : m_positions)
        units << position->units();
    return units;
}

} // namespace orvela
