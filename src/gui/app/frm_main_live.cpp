// The live side of the main window: the sensor choosers, the captions, the live refresh with
// the wind chart, the ages of the readings shown, and the gauge-limit and units commands.

#include "gui/app/frm_main.h"

#include "core/config/settings_keys.h"
#include "core/db/station_queries.h"
#include "core/live/value_text.h"
#include "gui/graphs/graph_position.h"
#include "gui/live/frm_units.h"
#include "gui/live/live_position.h"
#include "gui/live/station_panel.h"
#include "gui/messages/frm_log.h"
#include "gui/messages/prompter.h"

#include <QComboBox>
#include <QLabel>

namespace orvela {

void TfrmMain::LogFailure(const QString& what, const std::function<void()>& step)
{
    try {
        step();
    } catch (const std::exception& failure) {
        m_log.AddStatusLine(what + QString::fromUtf8(failure.what()));
    } catch (...) {
        m_log.AddStatusLine(what + QStringLiteral("an unknown failure"));
    }
}

void TfrmMain::AddStatusLines(const QStringList& lines)
{
    for (const QString& line : lines) {
        if (!line.isEmpty())
            m_log.AddStatusLine(line);
    }
}

void TfrmMain::FillSensorChoosers()
{
    graphTab()->fillChoosers(m_stationSensors);
    liveTab()->fillChoosers(m_stationSensors);
}

void TfrmMain::RefreshCaptions()
{
    graphTab()->refreshCaptions();
    liveTab()->refreshCaptions(m_desk.station);
}

void TfrmMain::cbxSensorsChange(QComboBox* box)
{
    // After the close the lists and the database are gone.
    if (m_cycle.isClosed())
        return;
    // A failure while following the operator's pick shows no box; its reason goes to the
    // Messages window.
    LogFailure(QStringLiteral("Sensor %1 not shown after the choice: ").arg(box->currentText()),
               [this, box] {
                   if (GraphPosition* graph = graphTab()->positionOf(box)) {
                       graph->setSensorName(box->currentText());
                       RefreshCaptions();
                       RefreshGraphs();
                   } else if (LivePosition* live = liveTab()->positionOf(box)) {
                       live->setSensorName(box->currentText());
                       RefreshCaptions();
                       RefreshLiveData();
                   }
               });
}

void TfrmMain::ShowLastUpdate()
{
    stationPanel()->lastUpdateLabel()->setText(LastUpdateText(m_lastUpdate));
}

void TfrmMain::RefreshLiveData()
{
    if (!queries().ReadLastUpdate(m_desk.station, m_lastUpdate))
        return;
    ShowLastUpdate();
    stationPanel()->setDataTime(m_desk.station, StationTimeToDateTime(m_lastUpdate));
    AddStatusLines(liveTab()->refreshGauges(m_desk.station, queries()));
    RefreshWindChart();
    RefreshAges();
}

void TfrmMain::RefreshWindChart()
{
    liveTab()->windPosition()->refresh(m_desk.station, queries());
}

void TfrmMain::RefreshAges()
{
    if (m_cycle.isClosed())
        return;
    const CivilTime clock = ReadLocalClock();
    const DateTime now =
        CivilToDateTime(clock.year, clock.month, clock.day, clock.hour, clock.minute, clock.second);
    AddStatusLines(
        liveTab()->judgeAges(now, StaleLimitSeconds(m_desk.staleMinutes, m_desk.updateMinutes)));
}

void TfrmMain::MinMaxSettings1Click()
{
    const int tag = KindTagOf(popupTarget());
    LivePosition* position = liveTab()->positionOf(popupTarget());
    if ((tag == KindThermometer || tag == KindDial) && position)
        position->EditLimits(this, [this](const QString& line) { AddStatusLines({line}); });
}

void TfrmMain::SensorUnits1Click()
{
    const int tag = KindTagOf(popupTarget());
    if (tag < KindThermometer || tag > KindGraph)
        return;
    GraphPosition* graph = graphTab()->positionOf(popupTarget());
    LivePosition* live = liveTab()->positionOf(popupTarget());
    if (!graph && !live)
        return;
    QString units = graph ? graph->units() : live->units();
    TfrmUnits dialog(units, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (graph)
        graph->setUnits(units);
    else
        live->setUnits(units);
    RefreshCaptions();
}

} // namespace orvela
