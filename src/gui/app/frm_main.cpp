#include "gui/app/frm_main.h"

#include "core/app/restore_channel.h"
#include "core/config/settings_store.h"
#include "core/db/station_database.h"
#include "core/db/station_queries.h"
#include "gui/app/window_places.h"
#include "gui/graphs/event_pump.h"
#include "gui/graphs/graph_position.h"
#include "gui/live/live_position.h"
#include "gui/live/wind_chart.h"
#include "gui/messages/frm_log.h"
#include "gui/messages/prompter.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QMenuBar>
#include <QSqlDatabase>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>
#include <exception>
#include <limits>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace orvela {
namespace {

const QString UpdatingSuffix = QStringLiteral(" ....Updating data");
const QString ShutdownCaption = QStringLiteral("*** Shutting Down Orvela ... Please Wait ***");

// The room the panels take at the design size.
constexpr QSize PlacesRoom(1321, 642);

// How long the first show waits for the platform to show the window before going on.
constexpr std::chrono::milliseconds FirstPaintWait{1000};
// Ages are shown in minutes: judging them twice a minute keeps the marks within half a minute.
constexpr int AgeTimerPeriod = 30 * 1000;

} // namespace

TfrmMain::TfrmMain(const QString& configPath, TfrmLog& log, QWidget* parent)
    : QMainWindow(parent), m_configPath(configPath), m_log(log),
      m_cycle(CycleSteps(),
              [this](RefreshCycle::Task task) { QTimer::singleShot(0, this, std::move(task)); })
{
    setObjectName(QStringLiteral("frmMain"));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    setFont(font);
    resize(DesignWidth, DesignHeight);

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    connect(m_timer, &QTimer::timeout, this, &TfrmMain::Timer1Timer);
    // Long graph loads end early once a close waits for them.
    m_pump = std::make_unique<EventPump>([this] { return m_cycle.stopsLoads(); });

    buildMenu();
    buildTabs();
    m_popups = new PopupMenus(*this, *m_liveTab, *m_graphTab);
    m_ageTimer = new QTimer(this);
    m_ageTimer->setObjectName(QStringLiteral("AgeTimer"));
    m_ageTimer->setInterval(AgeTimerPeriod);
    connect(m_ageTimer, &QTimer::timeout, this, &TfrmMain::RefreshAges);
    m_ageTimer->start();
    FormCreate();
}

TfrmMain::~TfrmMain() = default;

RefreshCycle::Steps TfrmMain::CycleSteps()
{
    RefreshCycle::Steps steps;
    steps.markRefreshing = [this](bool refreshing) { MarkRefreshing(refreshing); };
    steps.refreshGraphs = [this] { RefreshGraphs(); };
    steps.refreshLive = [this] { RefreshLiveData(); };
    steps.resumeStart = [this] { ResumeStart(); };
    steps.close = [this] { close(); };
    steps.log = [this](const QString& line) { m_log.AddStatusLine(line); };
    steps.showMessages = [this] { m_log.ShowMessages(); };
    steps.showError = [this](const QString& text) { ReportError(this, text); };
    return steps;
}

void TfrmMain::buildMenu()
{
    auto makeAction = [this](const QString& caption, const QString& name, auto handler) {
        auto* action = new QAction(caption, this);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    m_fileExit = makeAction(QStringLiteral("&Exit"), QStringLiteral("FileExit1"),
                            &TfrmMain::FileExit1Execute);
    m_fileConnect = makeAction(QStringLiteral("Connect"), QStringLiteral("FileConnect1"),
                               &TfrmMain::FileConnect1Execute);
    m_fileDisconnect = makeAction(QStringLiteral("Disconnect"), QStringLiteral("FileDisconnect1"),
                                  &TfrmMain::FileDisconnect1Execute);
    m_optionsSetup = makeAction(QStringLiteral("&Setup"), QStringLiteral("OptionsSetup1"),
                                &TfrmMain::OptionsSetup1Execute);
    m_optionsMessages = new QAction(QStringLiteral("&Messages"), this);
    m_optionsMessages->setObjectName(QStringLiteral("OptionsMessages1"));
    connect(m_optionsMessages, &QAction::triggered, &m_log, &TfrmLog::ShowMessages);

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File1"));
    file->addAction(m_fileExit);
    QMenu* database = menuBar()->addMenu(QStringLiteral("&Database"));
    database->setObjectName(QStringLiteral("Database1"));
    database->addAction(m_fileConnect);
    database->addAction(m_fileDisconnect);
    QMenu* options = menuBar()->addMenu(QStringLiteral("&Options"));
    options->setObjectName(QStringLiteral("Options1"));
    options->addAction(m_optionsSetup);
    options->addAction(m_optionsMessages);
}

void TfrmMain::buildTabs()
{
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("pgcMain"));
    setCentralWidget(m_tabs);
    m_liveTab = new LiveDataTab;
    m_graphTab = new GraphDataTab;
    DesignPlaces places = m_liveTab->designPlaces();
    for (const auto& place : m_graphTab->designPlaces())
        places.push_back(place);
    FitPanelsOnce(*this, QSize(DesignWidth, DesignHeight), PlacesRoom, places,
                  {m_liveTab, m_graphTab});
    m_tabs->addTab(m_liveTab, QStringLiteral("Live Data"));
    m_tabs->addTab(m_graphTab, QStringLiteral("Graph Data"));
    m_tabs->setCurrentIndex(0);

    // Only a pick by the operator counts as a change; filling the lists does not.
    std::vector<QComboBox*> choosers;
    for (const GraphPosition* position : m_graphTab->positions())
        choosers.push_back(position->chooser());
    for (const LivePosition* position : m_liveTab->positions())
        choosers.push_back(position->chooser());
    for (QComboBox* box : choosers)
        connect(box, QOverload<int>::of(&QComboBox::activated), this,
                [this, box](int) { cbxSensorsChange(box); });
}

void TfrmMain::FormCreate()
{
    // The session keeps its name; a second window in the same process (tests) takes another.
    QString session = StationDatabase::DefaultSessionName();
    for (int n = 2; QSqlDatabase::contains(session); ++n)
        session = StationDatabase::DefaultSessionName() + QString::number(n);
    m_database = std::make_unique<StationDatabase>(session);
    m_queries = std::make_unique<StationQueries>(*m_database);
    m_stationSensors.clear();
    m_desk.imageFile.clear();

    m_settingsStore = std::make_unique<SettingsStore>(m_configPath);
    LoadSettings();

    SetCaption(m_desk.title);
    m_log.setMainWindow(this);
    m_connected = false;
    m_timer->stop();
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
    if (WindChart* wind = m_liveTab->windPosition()->windChart())
        wind->setAngleIncrement(30);
}

void TfrmMain::ShowStation()
{
    // A failing query is reported and the start goes on: the timer still starts, so the next
    // tick tries again.
    try {
        m_queries->LoadStationSensors(m_desk.station, m_stationSensors);
    } catch (const std::exception& failure) {
        m_cycle.reportFailure(QString::fromUtf8(failure.what()));
    }
    FillSensorChoosers();
    Timer1Timer();
    try {
        if (m_queries->ReadLastUpdate(m_desk.station, m_lastUpdate))
            ShowLastUpdate();
    } catch (const std::exception& failure) {
        m_cycle.reportFailure(QString::fromUtf8(failure.what()));
    }
    RefreshCaptions();
    StartTimer();
}

int TfrmMain::TimerPeriod(std::int32_t minutes)
{
    if (minutes <= 0)
        return 0;
    const std::int64_t period = std::int64_t{minutes} * 60000;
    return period > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                    : static_cast<int>(period);
}

void TfrmMain::ApplyTimerPeriod()
{
    const bool running = m_timer->isActive();
    m_timer->setInterval(TimerPeriod(m_desk.updateMinutes));
    if (m_timer->interval() == 0 && !m_refreshOffSaid) {
        m_refreshOffSaid = true;
        m_log.AddStatusLine(QStringLiteral("GraphUpdate is %1: the timed refresh is off; the "
                                           "display is refreshed only at start and after Setup")
                                .arg(m_desk.updateMinutes));
    }
    // A period of 0 would fire at every pass of the event loop: such a timer never fires.
    if (running && m_timer->interval() > 0)
        m_timer->start();
    else
        m_timer->stop();
}

void TfrmMain::StartTimer()
{
    if (m_timer->interval() > 0 && !m_cycle.isClosed())
        m_timer->start();
}

void TfrmMain::Timer1Timer()
{
    m_cycle.tick();
}

void TfrmMain::MarkRefreshing(bool refreshing)
{
    if (refreshing) {
        m_refreshCaption = m_caption;
        SetCaption(m_refreshCaption + UpdatingSuffix);
    } else {
        SetCaption(m_refreshCaption);
    }
}

void TfrmMain::SetCaption(const QString& caption)
{
    m_caption = caption;
    // The toolkit reads "[*]" in a title as the place of a modified mark and drops it; doubled,
    // it stands for itself.
    QString title = caption;
    title.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
    setWindowTitle(title);
}

void TfrmMain::SetDisplayTitle(const QString& title)
{
    m_desk.title = title;
    SetCaption(title);
    if (m_cycle.isRefreshing()) {
        // The running refresh puts its caption back when it ends: it must be the new one.
        m_refreshCaption = title;
        SetCaption(title + UpdatingSuffix);
    }
}

void TfrmMain::SetUpdateMinutes(std::int32_t minutes)
{
    m_desk.updateMinutes = minutes;
    ApplyTimerPeriod();
}

void TfrmMain::HideCursors()
{
    m_graphTab->hideCursors();
}

void TfrmMain::FileExit1Execute()
{
    close();
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    switch (m_cycle.askClose()) {
    case RefreshCycle::CloseAnswer::AlreadyClosed:
        event->accept();
        return;
    case RefreshCycle::CloseAnswer::Wait:
        SetCaption(ShutdownCaption);
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
    SetCaption(ShutdownCaption);
    CloseDatabase();
    canClose = true;
}

void TfrmMain::FormClose()
{
    m_timer->stop();
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
    m_queries.reset();
    m_database.reset();
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
