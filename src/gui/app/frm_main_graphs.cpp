// The graph side of the main window: the six graph loads of a refresh, the "Edit Time Range"
// command and the graph tools of the popup menu (export, picture, second cursor, gaps), the
// station picture with "Select Image File", and the Setup command.

#include "gui/app/frm_main.h"

#include "core/db/station_queries.h"
#include "gui/app/frm_setup.h"
#include "gui/app/station_panel.h"
#include "gui/graphs/event_pump.h"
#include "gui/graphs/frm_image_file.h"
#include "gui/graphs/graph_chart.h"
#include "gui/graphs/graph_position.h"
#include "gui/graphs/graph_save.h"
#include "gui/graphs/station_picture.h"
#include "gui/live/live_position.h"
#include "gui/messages/frm_log.h"
#include "gui/messages/prompter.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QPixmap>
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
    for (int slot = 1; slot <= GraphCount; ++slot) {
        if (!m_cycle.continuesGraphRound(round))
            return;
        bool whole = false;
        int range = GraphTimeRanges.value(slot - 1).toInt(&whole);
        if (!whole)
            range = DefaultGraphRange;
        LoadGraph(graphPosition(slot)->chart(), GraphSensorNames.value(slot - 1), range);
    }
    long long wholeRows = 0;
    for (const GraphPosition* position : m_graphs)
        if (position->chart()->lastLoadReadWholeWindow())
            wholeRows += position->chart()->lastLoadRows();
    if (wholeRows >= GraphChart::RowsWorthReturningMemory)
        GraphChart::ReturnFreedMemory();
}

bool TfrmMain::LoadGraph(GraphChart* chart, const QString& sensor, int rangeIndex)
{
    if (!chart || m_cycle.isClosed() || !m_queries)
        return false;
    const RefreshCycle::Load load(m_cycle);
    // Copies: the Setup dialog or a sensor choice may change the originals while the load
    // lets events through.
    const QString station = CurrentStation;
    const QString name = sensor;
    return chart->LoadGraph(station, name, rangeIndex, *m_queries, *m_pump);
}

void TfrmMain::TimeRange1Click()
{
    if (m_cycle.isClosed() || KindTagOf(m_popupTarget) != KindGraph)
        return;
    bool whole = false;
    const int number = m_popupTarget->objectName().mid(8).toInt(&whole);
    if (!whole || number < 1 || number > GraphCount || number > GraphTimeRanges.size())
        return;
    GraphPosition* position = graphPosition(number);
    // The dialog works on a copy: the list is not held by reference across the modal loop.
    QString entry = GraphTimeRanges.at(number - 1);
    position->EditTimeRange(entry, [this, position, number, &entry](int rangeIndex) {
        if (m_cycle.isClosed())
            return;
        GraphTimeRanges[number - 1] = entry;
        // No box here, but the reason is not lost.
        try {
            LoadGraph(position->chart(), GraphSensorNames.value(number - 1), rangeIndex);
        } catch (const std::exception& failure) {
            m_log.AddStatusLine(QStringLiteral("Graph %1 not loaded after the time range "
                                               "change: %2")
                                    .arg(number)
                                    .arg(QString::fromUtf8(failure.what())));
        } catch (...) {
            m_log.AddStatusLine(QStringLiteral("Graph %1 not loaded after the time range "
                                               "change: an unknown failure")
                                    .arg(number));
        }
    });
}

void TfrmMain::addGraphTools(QMenu* menu)
{
    const auto add = [this, menu](const QString& caption, const QString& name, auto handler) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    menu->addSeparator();
    add(QStringLiteral("Export Data..."), QStringLiteral("ExportData1"),
        &TfrmMain::ExportData1Click);
    add(QStringLiteral("Save Picture..."), QStringLiteral("SavePicture1"),
        &TfrmMain::SavePicture1Click);
    QAction* second = add(QStringLiteral("Second Cursor"), QStringLiteral("SecondCursor1"),
                          &TfrmMain::SecondCursor1Click);
    QAction* gaps = add(QStringLiteral("Break Line at Gaps"), QStringLiteral("BreakAtGaps1"),
                        &TfrmMain::BreakAtGaps1Click);
    second->setCheckable(true);
    gaps->setCheckable(true);
    // One menu serves six graphs: its checks show the graph it opens on.
    connect(menu, &QMenu::aboutToShow, this, [this, second, gaps] {
        if (const GraphPosition* position = popupGraph()) {
            second->setChecked(position->hasSecondCursor());
            gaps->setChecked(position->chart()->gapRule().breakAtGaps);
        }
    });
}

GraphPosition* TfrmMain::popupGraph() const
{
    if (m_cycle.isClosed() || KindTagOf(m_popupTarget) != KindGraph)
        return nullptr;
    for (GraphPosition* position : m_graphs)
        if (position->chart() == m_popupTarget)
            return position;
    return nullptr;
}

void TfrmMain::ExportData1Click()
{
    if (const GraphPosition* position = popupGraph())
        ExportGraphDataCommand(*position->chart(), SlotUnits.value(position->slot() - 1),
                               *m_queries, this);
}

void TfrmMain::SavePicture1Click()
{
    if (GraphPosition* position = popupGraph())
        SaveGraphPictureCommand(*position->chart(), *position->cursor(), this);
}

void TfrmMain::SecondCursor1Click()
{
    GraphPosition* position = popupGraph();
    if (!position)
        return;
    if (position->hasSecondCursor())
        position->clearSecondCursor();
    else
        position->pinSecondCursor();
}

void TfrmMain::BreakAtGaps1Click()
{
    if (GraphPosition* position = popupGraph()) {
        GapRule rule = position->chart()->gapRule();
        rule.breakAtGaps = !rule.breakAtGaps;
        position->chart()->setGapRule(rule);
    }
}

bool TfrmMain::LoadStationPicture(const QString& path, QString& error)
{
    const PictureFile file = LoadPictureFile(path);
    if (!file.ok()) {
        error = file.error;
        return false;
    }
    m_stationPanel->showPicture(QPixmap::fromImage(file.picture));
    return true;
}

void TfrmMain::LoadPictureAtStart()
{
    if (ImageFileName.isEmpty() || !QFileInfo(ImageFileName).isFile())
        return;
    // The start goes on with the built-in picture: a damaged file must not keep the station
    // from being shown. The path stays configured, so a mended file shows at the next start.
    QString error;
    if (!LoadStationPicture(ImageFileName, error))
        m_log.AddStatusLine(QStringLiteral("Station picture not shown: ") + error);
}

void TfrmMain::SelectImageFile1Click()
{
    if (m_cycle.isClosed() || KindTagOf(m_popupTarget) != KindStationPicture)
        return;
    QString path = ImageFileName;
    {
        TfrmImageFile dialog(path, this);
        if (dialog.exec() != QDialog::Accepted)
            return;
    }
    // The path is taken only with a picture that loaded, so a damaged file is never saved
    // and never stands in the way of a later start.
    QString error;
    if (LoadStationPicture(path, error))
        ImageFileName = path;
    else
        ReportError(this, error);
}

TfrmSetup* TfrmMain::frmSetup() const
{
    return m_frmSetup;
}

void TfrmMain::OptionsSetup1Execute()
{
    if (m_cycle.isClosed())
        return;
    const QString remembered = CurrentStation;
    m_timer->stop();
    bool accepted = false;
    if (!m_frmSetup) {
        m_frmSetup = new TfrmSetup(
            CurrentStation, DisplayTitle, UpdateMinutes,
            [this] {
                QString list;
                m_queries->LoadStationList(list);
                return list;
            },
            this);
        accepted = m_frmSetup->exec() == QDialog::Accepted;
        delete m_frmSetup;
    }
    if (accepted && !m_cycle.isClosed()) {
        SaveSettings();
        SetCaption(DisplayTitle);
        if (m_cycle.isRefreshing()) {
            // The running refresh puts its caption back when it ends: it must be the new one.
            m_refreshCaption = DisplayTitle;
            SetCaption(DisplayTitle + UpdatingCaptionSuffix());
        }
        ApplyTimerPeriod();
        if (CurrentStation != remembered && !CurrentStation.isEmpty()) {
            try {
                if (m_queries->ReadLastUpdate(CurrentStation, LastUpdate)) {
                    ShowLastUpdate();
                    m_queries->LoadStationSensors(CurrentStation, StationSensors);
                }
            } catch (const std::exception& failure) {
                // Counts as a last update that cannot be read; the refresh below reports
                // what keeps it from working.
                m_log.AddStatusLine(QStringLiteral("Station ") + CurrentStation +
                                    QStringLiteral(" not read: ") +
                                    QString::fromUtf8(failure.what()));
            }
        }
        // The refresh that follows reads every graph's whole window, not only what is new.
        for (const GraphPosition* position : m_graphs)
            position->chart()->requireWholeWindow();
        m_cycle.requestRefresh();
    }
    StartTimer();
}

} // namespace orvela
