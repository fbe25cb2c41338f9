#include "gui/app/main_tabs.h"

#include "gui/app/window_places.h"
#include "gui/graphs/graph_data_tab.h"
#include "gui/live/live_data_tab.h"

namespace orvela {
namespace {

// The room the panels take at the design size.
constexpr QSize PlacesRoom(1321, 642);

} // namespace

MainTabs::MainTabs(QWidget& window, QSize designSize)
    : QTabWidget(&window), m_live(new LiveDataTab), m_graphs(new GraphDataTab)
{
    setObjectName(QStringLiteral("pgcMain"));
    DesignPlaces places = m_live->designPlaces();
    for (const auto& place : m_graphs->designPlaces())
        places.push_back(place);
    FitPanelsOnce(window, designSize, PlacesRoom, places, {m_live, m_graphs});
    addTab(m_live, QStringLiteral("Live Data"));
    addTab(m_graphs, QStringLiteral("Graph Data"));
    setCurrentIndex(0);
}

} // namespace orvela
