#pragma once

// The main window's menus and their commands: the menu bar ("&File", "&Database", "&Options"),
// and the popup menus of the displays with the popup target, the object on which the right mouse
// button last went down: one menu for the gauges, one for the wind chart, one for the six graphs
// and one for the station picture. The commands are the main window's named operations.

#include <QObject>

class QAction;
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

class WindowMenus : public QObject
{
    Q_OBJECT
public:
    WindowMenus(TfrmMain& window, LiveDataTab& live, GraphDataTab& graphs);

    QAction* fileExit() const { return m_fileExit; }
    QAction* fileConnect() const { return m_fileConnect; }
    QAction* fileDisconnect() const { return m_fileDisconnect; }
    QAction* optionsSetup() const { return m_optionsSetup; }
    QAction* optionsMessages() const { return m_optionsMessages; }

    QMenu* liveData() const { return m_liveData; }
    QMenu* graph() const { return m_graph; }
    QMenu* wind() const { return m_wind; }
    QMenu* image() const { return m_image; }

    // The right mouse button on a display with a kind tag makes it the target.
    void mouseDown(QWidget* object, Qt::MouseButton button);
    QWidget* target() const { return m_target; }
    static int KindTagOf(const QObject* object);

private:
    void buildMenuBar();
    void attach(QWidget* object, int kindTag, QMenu* menu);
    void addGraphTools(QMenu* menu);

    TfrmMain& m_window;
    GraphDataTab& m_graphs;
    QAction* m_fileExit = nullptr;
    QAction* m_fileConnect = nullptr;
    QAction* m_fileDisconnect = nullptr;
    QAction* m_optionsSetup = nullptr;
    QAction* m_optionsMessages = nullptr;
    QMenu* m_liveData = nullptr;
    QMenu* m_graph = nullptr;
    QMenu* m_wind = nullptr;
    QMenu* m_image = nullptr;
    QWidget* m_target = nullptr;
};

} // namespace orvela
