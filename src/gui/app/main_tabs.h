#pragma once

// The main window's tab control: the "Live Data" tab, shown first, and the "Graph Data" tab. Its
// panels keep their design places, fitted once to the room the pages have at the window's design
// size; resizing the window never moves them after that.

#include <QTabWidget>

namespace orvela {

class GraphDataTab;
class LiveDataTab;

class MainTabs : public QTabWidget
{
    Q_OBJECT
public:
    MainTabs(QWidget& window, QSize designSize);

    LiveDataTab* live() const { return m_live; }
    GraphDataTab* graphs() const { return m_graphs; }

private:
    LiveDataTab* m_live;
    GraphDataTab* m_graphs;
};

} // namespace orvela
