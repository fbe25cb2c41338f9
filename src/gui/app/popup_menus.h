#pragma once

// The popup menus of the displays and the popup target, the object on which the right mouse
// button last went down: one menu for the gauges, one for the wind chart, one for the six graphs
// and one for the station picture. Their commands are the main window's.

#include <QObject>

class QMenu;
class QWidget;

namespace orvela {

class GraphDataTab;
class LiveDataTab;
class TfrmMain;

// The kind tags that the popup commands test.
enum KindTag : int
{
    KindThermometer = 1,
    KindDial = 2,
    KindWindChart = 3,
    KindGraph = 4,
    KindStationPicture = 10
};

class PopupMenus : public QObject
{
    Q_OBJECT
public:
    PopupMenus(TfrmMain& window, LiveDataTab& live, GraphDataTab& graphs);

    QMenu* liveData() const { return m_liveData; }
    QMenu* graph() const { return m_graph; }
    QMenu* wind() const { return m_wind; }
    QMenu* image() const { return m_image; }

    // The right mouse button on a display with a kind tag makes it the target.
    void mouseDown(QWidget* object, Qt::MouseButton button);
    QWidget* target() const { return m_target; }
    static int KindTagOf(const QObject* object);

private:
    void attach(QWidget* object, int kindTag, QMenu* menu);
    void addGraphTools(QMenu* menu);

    TfrmMain& m_window;
    GraphDataTab& m_graphs;
    QMenu* m_liveData = nullptr;
    QMenu* m_graph = nullptr;
    QMenu* m_wind = nullptr;
    QMenu* m_image = nullptr;
    QWidget* m_target = nullptr;
};

} // namespace orvela
