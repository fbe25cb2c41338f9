#pragma once

// The main window, the coordinator of the program: the menu, the refresh timer, the database
// connection, the settings, and the named operations, which call into the "Live Data" and
// "Graph Data" tabs. The tabs own their positions and each position its own settings; the
// refresh cycle keeps what runs and what waits; the dialogs and menus live in classes of their
// own.

#include "core/app/refresh_cycle.h"
#include "core/app/refresh_timer.h"
#include "core/config/desk_settings.h"
#include "core/live/reading_watch.h"
#include "gui/app/frm_setup.h"
#include "gui/app/main_tabs.h"
#include "gui/app/window_caption.h"
#include "gui/app/window_menus.h"
#include "gui/db/desk_connection.h"
#include "gui/graphs/graph_data_tab.h"
#include "gui/live/live_data_tab.h"
#include "gui/live/station_panel.h"
#include "support/station_time.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QMenu;
class QTimer;

namespace orvela {

class EventPump;
class GraphChart;
class RestoreChannel;
class SettingsStore;
class TfrmLog;

class TfrmMain : public QMainWindow
{
    Q_OBJECT
public:
    static constexpr int GraphCount = 6;
    static constexpr int LiveCount = 7;
    static constexpr int DesignWidth = 1344;
    static constexpr int DesignHeight = 728;

    // Creates the window and loads `configPath` (FormCreate). `log` is the Messages window.
    TfrmMain(const QString& configPath, TfrmLog& log, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Named operations of the window.
    void Timer1Timer() { m_cycle.tick(); }
    void LoadSettings();
    void SaveSettings();
    // Why the configuration file could not be read at creation (the window then runs on
    // defaults and never writes over the file); empty when it was read or did not exist.
    QString ConfigReadError() const;
    void FileExit1Execute() { close(); }
    void FileConnect1Execute();
    void FileDisconnect1Execute();
    void OptionsSetup1Execute();
    void HideCursors() { graphTab()->hideCursors(); }

    // The database connection.
    bool ConnectDatabase(const QString& dataSource, const QString& userName,
                         const QString& clearPassword)
    {
        return m_connection->connectOrShow(dataSource, userName, clearPassword, this);
    }
    void ConnectAtStart();
    void CloseDatabase();
    StationDatabase& database() const { return m_connection->database(); }
    StationQueries& queries() const { return m_connection->queries(); }
    // The login dialog, once "Connect" has created it.
    TMyLoginForm* loginForm() const { return m_connection->loginForm(); }

    // Writes LastUpdate into the last-update label.
    void ShowLastUpdate();

    // Refresh steps, filled by the live and graph positions. A failure is thrown as an
    // exception; Timer1Timer reports it.
    virtual void RefreshGraphs();
    virtual void RefreshLiveData();
    // Loads one chart over the window of `rangeIndex` ending now. False when the load was
    // superseded by a newer one or stopped by the close.
    bool LoadGraph(GraphChart* chart, const QString& sensor, int rangeIndex);
    void RefreshCaptions();
    void FillSensorChoosers();
    void RefreshWindChart();
    // Judges the age of every reading shown and of the station's newest data, marks the stale
    // ones and says in the Messages window what went stale or came back. Runs after each live
    // refresh and on its own every half minute, so the marks come also while the refresh is off
    // or failing.
    void RefreshAges();
    // Runs when the operator picks an item of a sensor chooser.
    void cbxSensorsChange(QComboBox* chooser);

    // The popup target: the object the right mouse button last went down on.
    void OnObjectMouseDown(QWidget* object, Qt::MouseButton button)
    {
        m_menus->mouseDown(object, button);
    }
    QWidget* popupTarget() const { return m_menus->target(); }
    static int KindTagOf(const QObject* object) { return WindowMenus::KindTagOf(object); }
    // The SlotUnits entry of a popup target by its component name, or -1.
    static int UnitsIndexOf(const QObject* object)
    {
        return object ? settings::SlotUnitsEntryOf(object->objectName()) : -1;
    }
    void MinMaxSettings1Click();
    void SensorUnits1Click();
    // "Print" of the graphs' popup menu: the print preview of the graph it was opened on.
    void Print1Click();
    void TimeRange1Click();
    // "Export Data...", "Save Picture...", "Second Cursor" and "Break Line at Gaps" of the
    // graphs' popup menu, on the graph it was opened on.
    void ExportData1Click();
    void SavePicture1Click();
    void SecondCursor1Click();
    void BreakAtGaps1Click();
    void SelectImageFile1Click();
    // Shows the picture file at `path`; on failure the shown picture stays and the reason
    // comes back.
    bool LoadStationPicture(const QString& path, QString& error)
    {
        return stationPanel()->showPictureFile(path, error);
    }
    // The Setup dialog while it is open.
    TfrmSetup* frmSetup() const { return m_frmSetup; }
    QMenu* pMnuImage() const { return m_menus->image(); }
    QMenu* pMnuLiveData() const { return m_menus->liveData(); }
    QMenu* pMnuGraph() const { return m_menus->graph(); }
    QMenu* pMnuWind() const { return m_menus->wind(); }

    // Restores the window when minimized and brings it to the front.
    void RestoreAndRaise();

    // The first show runs FormShow once the window is on the screen.
    void setVisible(bool visible) override;

    // The shared values, read.
    const QString& ConfigPath() const { return m_configPath; }
    const QString& CurrentStation() const { return m_desk.station; }
    const QString& DisplayTitle() const { return m_desk.title; }
    std::int32_t UpdateMinutes() const { return m_desk.updateMinutes; }
    // "StaleMinutes": see StaleLimitSeconds.
    std::int32_t StaleMinutes() const { return m_desk.staleMinutes; }
    StationTime LastUpdate() const { return m_lastUpdate; }
    bool Connected() const { return m_connected; }
    const QStringList& StationSensors() const { return m_stationSensors; }
    const QString& DataSourceName() const { return m_desk.dataSource; }
    const QString& DbUserName() const { return m_desk.userName; }
    const QString& StoredPassword() const { return m_desk.storedPassword; }
    const QString& ImageFileName() const { return m_desk.imageFile; }
    // The slot lists, each entry from its position.
    QStringList GraphSensorNames() const { return graphTab()->sensorNames(); }
    QStringList GraphTimeRanges() const { return graphTab()->timeRanges(); }
    QStringList LiveSensorNames() const { return liveTab()->sensorNames(); }
    QStringList SlotUnits() const { return graphTab()->units() + liveTab()->units(); }

    // The title as Setup applies it: the caption follows, also during a refresh.
    void SetDisplayTitle(const QString& title);
    // The interval as Setup applies it, to the timer as well.
    void SetUpdateMinutes(std::int32_t minutes);

    // Widgets, reachable by tests and the dialogs.
    QTimer* Timer1() const { return m_refreshTimer.timer(); }
    QAction* FileExit1() const { return m_menus->fileExit(); }
    QAction* FileConnect1() const { return m_menus->fileConnect(); }
    QAction* FileDisconnect1() const { return m_menus->fileDisconnect(); }
    QAction* OptionsSetup1() const { return m_menus->optionsSetup(); }
    QAction* OptionsMessages1() const { return m_menus->optionsMessages(); }
    QTabWidget* Tabs() const { return m_tabs; }
    LiveDataTab* liveTab() const { return m_tabs->live(); }
    GraphDataTab* graphTab() const { return m_tabs->graphs(); }
    LivePosition* livePosition(int slot) const { return liveTab()->position(slot); }
    GraphPosition* graphPosition(int slot) const { return graphTab()->position(slot); }
    StationPanel* stationPanel() const { return liveTab()->stationPanel(); }
    TfrmLog& log() const { return m_log; }
    bool isRefreshing() const { return m_cycle.isRefreshing(); }
    // True while any graph load runs: a refresh, a sensor choice or a time-range change.
    bool isLoading() const { return m_cycle.isLoading(); }
    EventPump& eventPump() const { return *m_pump; }
    // True once a close waits for the running refresh to unwind: long loads stop early.
    bool isClosePending() const { return m_cycle.isClosePending(); }

    static int TimerPeriod(std::int32_t minutes) { return RefreshTimer::Period(minutes); }
    // Applies UpdateMinutes to the timer; it fires only while running and with a period.
    void ApplyTimerPeriod();
    void StartTimer()
    {
        if (!m_cycle.isClosed())
            m_refreshTimer.start();
    }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, long* result) override;
#endif

private:
    void FormCreate();
    void FormShow();
    void FormCloseQuery(bool& canClose);
    void FormClose();

    void AddStatusLines(const QStringList& lines);
    // Runs `step`; a failure writes `what` and its reason to the Messages window, no box.
    void LogFailure(const QString& what, const std::function<void()>& step);
    // The graph position the popup target belongs to, or null.
    GraphPosition* popupGraph() const;
    void LoadPictureAtStart();
    RefreshCycle::Steps CycleSteps();
    void SetConnectedState(bool connected);

    // The start with a station and a connection: sensors, choosers, a refresh, the last
    // update, the captions and the timer.
    void ShowStation();
    // A start that could not connect, with a stored data source and password, tries again at
    // each tick; once connected it goes on as ShowStation.
    bool CanRetryConnection() const;
    void ResumeStart();

    QString m_configPath;
    TfrmLog& m_log;
    std::unique_ptr<SettingsStore> m_settingsStore;
    std::unique_ptr<RestoreChannel> m_restoreChannel;
    std::unique_ptr<DeskConnection> m_connection;

    DeskSettings m_desk;
    StationTime m_lastUpdate = 0;
    bool m_connected = false;
    QStringList m_stationSensors;

    RefreshTimer m_refreshTimer;
    MainTabs* m_tabs = nullptr;
    WindowMenus* m_menus = nullptr;
    QPointer<TfrmSetup> m_frmSetup;
    std::unique_ptr<EventPump> m_pump;

    bool m_shown = false;
    bool m_formShowRun = false;
    RefreshCycle m_cycle;
    WindowCaption m_caption;
};

} // namespace orvela
