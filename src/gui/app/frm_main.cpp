#include "gui/app/frm_main.h"

#include "core/app/restore_channel.h"
#include "core/config/settings_store.h"
#include "core/db/station_queries.h"
#include "gui/app/window_places.h"
#include "gui/graphs/event_pump.h"
#include "gui/live/live_position.h"
#include "gui/live/wind_chart.h"
#include "gui/messages/frm_log.h"
#include "gui/messages/prompter.h"
#include "gui/widgets/fonts.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QTimer>

#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace orvela {
namespace {

// How long the first show waits for the platform to show the window before going on.
constexpr std::chrono::milliseconds FirstPaintWait{1000};
// Ages are shown in minutes: judging them twice a minute keeps the marks within half a minute.
constexpr int AgeTimerPeriod = 30 * 1000;

} // namespace

TfrmMain::TfrmMain(const QString& configPath, TfrmLog& log, QWidget* parent)
    : QMainWindow(parent), m_configPath(configPath), m_log(log), m_refreshTimer(*this),
      m_cycle(CycleSteps(),
              [this](RefreshCycle::Task task) { QTimer::singleShot(0, this, std::move(task)); }),
      m_caption(*this)
{
    setObjectName(QStringLiteral("frmMain"));
    setFont(ArialPixels(11));
    resize(DesignWidth, DesignHeight);

    connect(Timer1(), &QTimer::timeout, this, &TfrmMain::Timer1Timer);
    // Long graph loads end early once a close waits for them.
    m_pump = std::make_unique<EventPump>([this] { return m_cycle.stopsLoads(); });

    m_tabs = new MainTabs(*this, QSize(DesignWidth, DesignHeight));
    setCentralWidget(m_tabs);
    connect(graphTab(), &GraphDataTab::sensorPicked, this, &TfrmMain::cbxSensorsChange);
    connect(liveTab(), &LiveDataTab::sensorPicked, this, &TfrmMain::cbxSensorsChange);
    m_menus = new WindowMenus(*this, *liveTab(), *graphTab());
    auto* ageTimer = new QTimer(this);
    ageTimer->setObjectName(QStringLiteral("AgeTimer"));
    connect(ageTimer, &QTimer::timeout, this, &TfrmMain::RefreshAges);
    ageTimer->start(AgeTimerPeriod);
    FormCreate();
}

TfrmMain::~TfrmMain() = default;

RefreshCycle::Steps TfrmMain::CycleSteps()
{
    RefreshCycle::Steps steps;
    steps.markRefreshing = [this](bool refreshing) { m_caption.markRefreshing(refreshing); };
    steps.refreshGraphs = [this] { RefreshGraphs(); };
    steps.refreshLive = [this] { RefreshLiveData(); };
    steps.resumeStart = [this] { ResumeStart(); };
    steps.close = [this] { close(); };
    steps.log = [this](const QString& line) { m_log.AddStatusLine(line); };
    steps.showMessages = [this] { m_log.ShowMessages(); };
    steps.showError = [this](const QString& text) { ReportError(this, text); };
    return steps;
}

void TfrmMain::FormCreate()
{
    m_connection =
        std::make_unique<DeskConnection>([this](const QString& line) { m_log.AddStatusLine(line); },
                                         [this] { m_cycle.openMessagesOnce(); });
    m_stationSensors.clear();
    m_desk.imageFile.clear();

    m_settingsStore = std::make_unique<SettingsStore>(m_configPath);
    LoadSettings();

    m_caption.set(m_desk.title);
    m_log.setMainWindow(this);
    m_connected = false;
    Timer1()->stop();
    ApplyTimerPeriod();
    HideCursors();

    m_restoreChannel = std::make_unique<RestoreChannel>(m_configPath);
    connect(m_restoreChannel.get(), &RestoreChannel::restoreRequested, this,
            &TfrmMain::RestoreAndRaise);
}

void TfrmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    // The window opens centred on the desktop whatever position was saved.
    CentreOnScreen(*this);
}

// The first show runs FormShow once the window is on the screen and painted: its connection
// and first refresh may take long on a large database, and the operator sees the window
// meanwhile (a refresh lets the GUI process its events as readings come in). The show event
// comes before the platform shows the window, so the wait is here, after it.
void TfrmMain::setVisible(bool visible)
{
    QMainWindow::setVisible(visible);
    if (!visible || m_formShowRun || !isVisible())
        return;
    m_formShowRun = true;
    WaitUntilExposed(*this, FirstPaintWait);
    if (!m_cycle.isClosed())
        FormShow();
}

void TfrmMain::FormShow()
{
    LoadPictureAtStart();
    ConnectAtStart();
    if (m_desk.station.isEmpty()) {
        CurrentPrompter().showMessage(this, BoxIcon::Information, QString(),
                                      QStringLiteral("No station has been selected.  \n"
                                                     "Select station in the Setup Parameters "
                                                     "window."));
        return;
    }
    if (m_connected)
        ShowStation();
    else if (m_cycle.isWaitingForDatabase())
        StartTimer();
    if (WindChart* wind = liveTab()->windPosition()->windChart())
        wind->setAngleIncrement(30);
}

void TfrmMain::ShowStation()
{
    // A failing query is reported and the start goes on: the timer still starts, so the next
    // tick tries again.
    try {
        queries().LoadStationSensors(m_desk.station, m_stationSensors);
    } catch (const std::exception& failure) {
        m_cycle.reportFailure(QString::fromUtf8(failure.what()));
    }
    FillSensorChoosers();
    Timer1Timer();
    try {
        if (queries().ReadLastUpdate(m_desk.station, m_lastUpdate))
            ShowLastUpdate();
    } catch (const std::exception& failure) {
        m_cycle.reportFailure(QString::fromUtf8(failure.what()));
    }
    RefreshCaptions();
    StartTimer();
}

void TfrmMain::ApplyTimerPeriod()
{
    AddStatusLines({m_refreshTimer.apply(m_desk.updateMinutes)});
}

void TfrmMain::SetDisplayTitle(const QString& title)
{
    m_desk.title = title;
    m_caption.setTitle(title, m_cycle.isRefreshing());
}

void TfrmMain::SetUpdateMinutes(std::int32_t minutes)
{
    m_desk.updateMinutes = minutes;
    ApplyTimerPeriod();
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    switch (m_cycle.askClose()) {
    case RefreshCycle::CloseAnswer::AlreadyClosed:
        event->accept();
        return;
    case RefreshCycle::CloseAnswer::Wait:
        m_caption.setShutdown();
        event->ignore();
        return;
    case RefreshCycle::CloseAnswer::Proceed:
        break;
    }
    bool canClose = true;
    FormCloseQuery(canClose);
    if (!canClose) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TfrmMain::FormCloseQuery(bool& canClose)
{
    m_caption.setShutdown();
    CloseDatabase();
    canClose = true;
}

void TfrmMain::FormClose()
{
    Timer1()->stop();
    SaveSettings();
    // The Messages window goes with the program: whoever started it from a console hears of a
    // save that failed there.
    if (m_settingsStore && !m_settingsStore->errorText().isEmpty())
        std::fprintf(stderr, "orvela: %s; the settings of this run were not saved.\n",
                     m_settingsStore->errorText().toLocal8Bit().constData());
    m_cycle.markClosed();
    m_restoreChannel.reset();
    m_settingsStore.reset();
    m_stationSensors.clear();
    m_connection.reset();
}

void TfrmMain::RestoreAndRaise()
{
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

#ifdef Q_OS_WIN
bool TfrmMain::nativeEvent(const QByteArray& eventType, void* message, long* result)
{
    const auto* msg = static_cast<MSG*>(message);
    if (eventType == "windows_generic_MSG" && msg->message == WM_USER + 101) {
        RestoreAndRaise();
        *result = 0;
        return true;
    }
    return QMainWindow::nativeEvent(eventType, message, result);
}
#endif

} // namespace orvela
