#include "gui/app/window_menus.h"

#include "gui/app/frm_main.h"
#include "gui/graphs/graph_data_tab.h"
#include "gui/graphs/graph_position.h"
#include "gui/live/live_data_tab.h"
#include "gui/live/live_position.h"
#include "gui/live/station_panel.h"

#include "gui/messages/frm_log.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>

namespace orvela {
namespace {

const char* const KindTagProperty = "kindTag";

int KindTagOfPosition(settings::PositionKind kind)
{
    switch (kind) {
    case settings::PositionKind::Thermometer:
        return KindThermometer;
    case settings::PositionKind::Dial:
        return KindDial;
    case settings::PositionKind::WindChart:
        return KindWindChart;
    case settings::PositionKind::Graph:
        break;
    }
    return KindGraph;
}

} // namespace

WindowMenus::WindowMenus(TfrmMain& window, LiveDataTab& live, GraphDataTab& graphs)
    : QObject(&window), m_window(window), m_graphs(graphs)
{
    buildMenuBar();
    const auto add = [&window](QMenu* menu, const QString& caption, const QString& name,
                               void (TfrmMain::*command)()) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(name);
        connect(action, &QAction::triggered, &window, command);
        return action;
    };
    const auto menu = [&window](const QString& name) {
        auto* created = new QMenu(&window);
        created->setObjectName(name);
        return created;
    };

    m_liveData = menu(QStringLiteral("pMnuLiveData"));
    add(m_liveData, QStringLiteral("Min/Max Settings"), QStringLiteral("MinMaxSettings1"),
        &TfrmMain::MinMaxSettings1Click);
    add(m_liveData, QStringLiteral("Sensor Units"), QStringLiteral("SensorUnits1"),
        &TfrmMain::SensorUnits1Click);

    m_graph = menu(QStringLiteral("pMnuGraph"));
    add(m_graph, QStringLiteral("Edit Time Range"), QStringLiteral("TimeRange1"),
        &TfrmMain::TimeRange1Click);
    add(m_graph, QStringLiteral("Sensor Units"), QStringLiteral("GraphUnits1"),
        &TfrmMain::SensorUnits1Click);
    add(m_graph, QStringLiteral("Print"), QStringLiteral("Print1"), &TfrmMain::Print1Click);
    m_graph->addSeparator();
    add(m_graph, QStringLiteral("Export Data..."), QStringLiteral("ExportData1"),
        &TfrmMain::ExportData1Click);
    add(m_graph, QStringLiteral("Save Picture..."), QStringLiteral("SavePicture1"),
        &TfrmMain::SavePicture1Click);
    addGraphTools(m_graph);

    // The wind chart's units would otherwise be out of the operator's reach.
    m_wind = menu(QStringLiteral("pMnuWind"));
    add(m_wind, QStringLiteral("Sensor Units"), QStringLiteral("WindUnits1"),
        &TfrmMain::SensorUnits1Click);

    m_image = menu(QStringLiteral("pMnuImage"));
    add(m_image, QStringLiteral("Select Image File"), QStringLiteral("SelectImageFile1"),
        &TfrmMain::SelectImageFile1Click);

    for (LivePosition* position : live.positions())
        attach(position->display(), KindTagOfPosition(position->kind()),
               position->hasGaugeLimits() ? m_liveData : m_wind);
    for (GraphPosition* position : graphs.positions())
        attach(position->chart(), KindGraph, m_graph);
    attach(live.stationPanel()->picture(), KindStationPicture, m_image);
}

void WindowMenus::buildMenuBar()
{
    const auto action = [this](const QString& caption, const QString& name, auto command) {
        auto* created = new QAction(caption, &m_window);
        created->setObjectName(name);
        connect(created, &QAction::triggered, &m_window, command);
        return created;
    };
    m_fileExit =
        action(QStringLiteral("&Exit"), QStringLiteral("FileExit1"), &TfrmMain::FileExit1Execute);
    m_fileConnect = action(QStringLiteral("Connect"), QStringLiteral("FileConnect1"),
                           &TfrmMain::FileConnect1Execute);
    m_fileDisconnect = action(QStringLiteral("Disconnect"), QStringLiteral("FileDisconnect1"),
                              &TfrmMain::FileDisconnect1Execute);
    m_optionsSetup = action(QStringLiteral("&Setup"), QStringLiteral("OptionsSetup1"),
                            &TfrmMain::OptionsSetup1Execute);
    m_optionsMessages = new QAction(QStringLiteral("&Messages"), &m_window);
    m_optionsMessages->setObjectName(QStringLiteral("OptionsMessages1"));
    connect(m_optionsMessages, &QAction::triggered, &m_window.log(), &TfrmLog::ShowMessages);

    const auto menu = [this](const QString& caption, const QString& name,
                             std::initializer_list<QAction*> actions) {
        QMenu* created = m_window.menuBar()->addMenu(caption);
        created->setObjectName(name);
        for (QAction* item : actions)
            created->addAction(item);
    };
    menu(QStringLiteral("&File"), QStringLiteral("File1"), {m_fileExit});
    menu(QStringLiteral("&Database"), QStringLiteral("Database1"),
         {m_fileConnect, m_fileDisconnect});
    menu(QStringLiteral("&Options"), QStringLiteral("Options1"),
         {m_optionsSetup, m_optionsMessages});
}

void WindowMenus::addGraphTools(QMenu* menu)
{
    const auto toggle = [this, menu](const QString& caption, const QString& name,
                                     void (TfrmMain::*command)()) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(name);
        action->setCheckable(true);
        connect(action, &QAction::triggered, &m_window, command);
        return action;
    };
    QAction* second = toggle(QStringLiteral("Second Cursor"), QStringLiteral("SecondCursor1"),
                             &TfrmMain::SecondCursor1Click);
    QAction* gaps = toggle(QStringLiteral("Break Line at Gaps"), QStringLiteral("BreakAtGaps1"),
                           &TfrmMain::BreakAtGaps1Click);
    // One menu serves six graphs: its checks show the graph it opens on.
    connect(menu, &QMenu::aboutToShow, this, [this, second, gaps] {
        if (KindTagOf(m_target) != KindGraph)
            return;
        if (const GraphPosition* position = m_graphs.positionOf(m_target)) {
            second->setChecked(position->hasSecondCursor());
            gaps->setChecked(position->chart()->gapRule().breakAtGaps);
        }
    });
}

void WindowMenus::attach(QWidget* object, int kindTag, QMenu* menu)
{
    object->setProperty(KindTagProperty, kindTag);
    object->setContextMenuPolicy(Qt::CustomContextMenu);
    // The menu key reaches the same place as the right mouse button.
    connect(object, &QWidget::customContextMenuRequested, this, [this, object, menu](QPoint at) {
        mouseDown(object, Qt::RightButton);
        menu->popup(object->mapToGlobal(at));
    });
}

void WindowMenus::mouseDown(QWidget* object, Qt::MouseButton button)
{
    if (button == Qt::RightButton && KindTagOf(object) != 0)
        m_target = object;
}

int WindowMenus::KindTagOf(const QObject* object)
{
    return object ? object->property(KindTagProperty).toInt() : 0;
}

} // namespace orvela
