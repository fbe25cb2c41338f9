// The graph side of the main window: the six graph loads of a refresh, the graphs' popup
// commands (time range, print, export, picture, second cursor, gaps), the station picture with
// "Select Image File", and the Setup command.

#include "gui/app/frm_main.h"

#include "core/db/station_queries.h"
#include "gui/app/frm_setup.h"
#include "gui/graphs/event_pump.h"
#include "gui/graphs/graph_chart.h"
#include "gui/graphs/graph_position.h"
#include "gui/graphs/graph_preview.h"
#include "gui/graphs/graph_save.h"
#include "gui/live/station_panel.h"
#include "gui/messages/frm_log.h"
#include "gui/messages/prompter.h"

#include <QFileInfo>
#include <QTimer>

#include <exception>

namespace orvela {

void TfrmMain::RefreshGraphs()
{
    if (m_cycle.isClosed())
        return;
    const RefreshCycle::Load load(m_cycle);
    // A sensor choice during this refresh starts a newer one, which loads all six again; this
    // one then stops rather than load them a third time.
    const std::uint64_t round = m_cycle.beginGraphRound();
    for (GraphPosition* position : graphTab()->positions()) {
        if (!m_cycle.continuesGraphRound(round))
            return;
        LoadGraph(position->chart(), position->sensorName(), position->rangeIndex());
    }
    graphTab()->returnMemoryAfterRound();
}

bool TfrmMain::LoadGraph(GraphChart* chart, const QString& sensor, int rangeIndex)
{
    if (!chart || m_cycle.isClosed() || !m_connection)
        return false;
    const RefreshCycle::Load load(m_cycle);
    // Copies: the Setup dialog or a sensor choice may change the originals while the load
    // lets events through.
    const QString station = m_desk.station;
    const QString name = sensor;
    return chart->LoadGraph(station, name, rangeIndex, queries(), *m_pump);
}

GraphPosition* TfrmMain::popupGraph() const
{
    if (m_cycle.isClosed() || KindTagOf(popupTarget()) != KindGraph)
        return nullptr;
    return graphTab()->positionOf(popupTarget());
}

void TfrmMain::TimeRange1Click()
{
    GraphPosition* position = popupGraph();
    if (!position)
        return;
    // The dialog works on a copy: the entry is not held by reference across the modal loop.
    QString entry = position->timeRange();
    position->EditTimeRange(entry, [this, position, &entry](int rangeIndex) {
        if (m_cycle.isClosed())
            return;
        position->setTimeRange(entry);
        // No box here, but the reason is not lost.
        const QString notLoaded =
            QStringLiteral("Graph %1 not loaded after the time range change: ")
                .arg(position->slot());
        try {
            LoadGraph(position->chart(), position->sensorName(), rangeIndex);
        } catch (const std::exception& failure) {
            m_log.AddStatusLine(notLoaded + QString::fromUtf8(failure.what()));
        } catch (...) {
            m_log.AddStatusLine(notLoaded + QStringLiteral("an unknown failure"));
        }
    });
}

void TfrmMain::Print1Click()
{
    if (GraphPosition* position = popupGraph())
        PrintPreviewCommand(*position->chart());
}

void TfrmMain::ExportData1Click()
{
    if (const GraphPosition* position = popupGraph())
        ExportGraphDataCommand(*position->chart(), position->units(), queries(), this);
}

void TfrmMain::SavePicture1Click()
{
    if (GraphPosition* position = popupGraph())
        SaveGraphPictureCommand(*position->chart(), *position->cursor(), this);
}

void TfrmMain::SecondCursor1Click()
{
    if (GraphPosition* position = popupGraph())
        position->toggleSecondCursor();
}

void TfrmMain::BreakAtGaps1Click()
{
    if (GraphPosition* position = popupGraph())
        position->toggleBreakAtGaps();
}

void TfrmMain::LoadPictureAtStart()
{
    if (m_desk.imageFile.isEmpty() || !QFileInfo(m_desk.imageFile).isFile())
        return;
    // The start goes on with the built-in picture: a damaged file must not keep the station
    // from being shown. The path stays configured, so a mended file shows at the next start.
    QString error;
    if (!LoadStationPicture(m_desk.imageFile, error))
        m_log.AddStatusLine(QStringLiteral("Station picture not shown: ") + error);
}

void TfrmMain::SelectImageFile1Click()
{
    if (m_cycle.isClosed() || KindTagOf(popupTarget()) != KindStationPicture)
        return;
    stationPanel()->choosePictureFile(m_desk.imageFile, this);
}

void TfrmMain::OptionsSetup1Execute()
{
    if (m_cycle.isClosed())
        return;
    const QString remembered = m_desk.station;
    Timer1()->stop();
    bool accepted = false;
    if (!m_frmSetup) {
        m_frmSetup = new TfrmSetup(
            m_desk.station, m_desk.title, m_desk.updateMinutes,
            [this] {
                QString list;
                queries().LoadStationList(list);
                return list;
            },
            this);
        accepted = m_frmSetup->exec() == QDialog::Accepted;
        delete m_frmSetup;
    }
    if (accepted && !m_cycle.isClosed()) {
        SaveSettings();
        SetDisplayTitle(m_desk.title);
        ApplyTimerPeriod();
        if (m_desk.station != remembered && !m_desk.station.isEmpty()) {
            try {
                if (queries().ReadLastUpdate(m_desk.station, m_lastUpdate)) {
                    ShowLastUpdate();
                    queries().LoadStationSensors(m_desk.station, m_stationSensors);
                }
            } catch (const std::exception& failure) {
                // Counts as a last update that cannot be read; the refresh below reports
                // what keeps it from working.
                m_log.AddStatusLine(QStringLiteral("Station ") + m_desk.station +
                                    QStringLiteral(" not read: ") +
                                    QString::fromUtf8(failure.what()));
            }
        }
        // The refresh that follows reads every graph's whole window, not only what is new.
        graphTab()->requireWholeWindows();
        m_cycle.requestRefresh();
    }
    StartTimer();
}

} // namespace orvela
