// The live side of the main window: the sensor choosers, the captions, the live refresh with
// the wind chart, the ages of the readings shown, and the gauge-limit and units commands.

#include "gui/app/frm_main.h"

#include "core/config/settings_keys.h"
#include "core/db/station_queries.h"
#include "core/live/value_text.h"
#include "gui/graphs/graph_position.h"
#include "gui/live/dial_gauge.h"
#include "gui/live/frm_min_max.h"
#include "gui/live/frm_units.h"
#include "gui/live/live_position.h"
#include "gui/live/station_panel.h"
#include "gui/messages/frm_log.h"
#include "gui/messages/prompter.h"

#include <QComboBox>
#include <QLabel>

namespace orvela {

void TfrmMain::AddStatusLines(const QStringList& lines)
{
    for (const QString& line : lines) {
        if (!line.isEmpty())
            m_log.AddStatusLine(line);
    }
}

int TfrmMain::UnitsIndexOf(const QObject* object)
{
    return object ? settings::SlotUnitsEntryOf(object->objectName()) : -1;
}

void TfrmMain::OnObjectMouseDown(QWidget* object, Qt::MouseButton button)
{
    m_popups->mouseDown(object, button);
}

void TfrmMain::FillSensorChoosers()
{
    m_graphTab->fillChoosers(m_stationSensors);
    m_liveTab->fillChoosers(m_stationSensors);
}

void TfrmMain::RefreshCaptions()
{
    m_graphTab->refreshCaptions();
    m_liveTab->refreshCaptions(m_desk.station);
}

void TfrmMain::cbxSensorsChange(QComboBox* box)
{
    // After the close the lists and the database are gone.
    if (m_cycle.isClosed())
        return;
    // A failure while following the operator's pick shows no box; its reason goes to the
    // Messages window.
    try {
        if (GraphPosition* graph = m_graphTab->positionOf(box)) {
            graph->setSensorName(box->currentText());
            RefreshCaptions();
            RefreshGraphs();
        } else if (LivePosition* live = m_liveTab->positionOf(box)) {
            live->setSensorName(box->currentText());
            RefreshCaptions();
            RefreshLiveData();
        }
    } catch (const std::exception& failure) {
        m_log.AddStatusLine(QStringLiteral("Sensor %1 not shown after the choice: %2")
                                .arg(box->currentText(), QString::fromUtf8(failure.what())));
    } catch (...) {
        m_log.AddStatusLine(QStringLiteral("Sensor %1 not shown after the choice: an unknown "
                                           "failure")
                                .arg(box->currentText()));
    }
}

void TfrmMain::ShowLastUpdate()
{
    stationPanel()->lastUpdateLabel()->setText(LastUpdateText(m_lastUpdate));
}

void TfrmMain::RefreshLiveData()
{
    if (!m_queries->ReadLastUpdate(m_desk.station, m_lastUpdate))
        return;
    ShowLastUpdate();
    stationPanel()->setDataTime(m_desk.station, StationTimeToDateTime(m_lastUpdate));
    AddStatusLines(m_liveTab->refreshGauges(m_desk.station, *m_queries));
    RefreshWindChart();
    RefreshAges();
}

void TfrmMain::RefreshWindChart()
{
    m_liveTab->windPosition()->refresh(m_desk.station, *m_queries);
}

void TfrmMain::RefreshAges()
{
    if (m_cycle.isClosed())
        return;
    const CivilTime clock = ReadLocalClock();
    const DateTime now =
        CivilToDateTime(clock.year, clock.month, clock.day, clock.hour, clock.minute, clock.second);
    AddStatusLines(
        m_liveTab->judgeAges(now, StaleLimitSeconds(m_desk.staleMinutes, m_desk.updateMinutes)));
}

void TfrmMain::MinMaxSettings1Click()
{
    const int tag = KindTagOf(popupTarget());
    if (tag != KindThermometer && tag != KindDial)
        return;
    LivePosition* position = m_liveTab->positionOf(popupTarget());
    if (!position)
        return;
    auto minimum = static_cast<float>(position->minimum());
    auto maximum = static_cast<float>(position->maximum());
    AlarmLimits alarms = position->alarmLimits();
    // A dial cannot take a minimum above its maximum: the dialog refuses such a pair, so the
    // dial gets both limits or neither.
    TfrmMinMax dialog(minimum, maximum, alarms,
                      tag == KindDial ? LimitsCheck::MinimumNotAboveMaximum : LimitsCheck::AnyPair,
                      this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    AddStatusLines({position->setAlarmLimits(alarms)});
    if (!position->restoreLimits(static_cast<double>(minimum), static_cast<double>(maximum)))
        ReportError(this, GaugeRangeError().text());
}

void TfrmMain::SensorUnits1Click()
{
    const int tag = KindTagOf(popupTarget());
    if (tag < KindThermometer || tag > KindGraph)
        return;
    GraphPosition* graph = m_graphTab->positionOf(popupTarget());
    LivePosition* live = m_liveTab->positionOf(popupTarget());
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
