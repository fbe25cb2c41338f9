#include "gui/app/frm_main.h"

#include "core/app/restore_channel.h"
#include "core/config/settings_store.h"
#include "core/db/station_database.h"
#include "core/db/station_queries.h"
#include "gui/app/station_panel.h"
#include "gui/graphs/event_pump.h"
#include "gui/graphs/graph_position.h"
#include "gui/live/live_position.h"
#include "gui/live/wind_chart.h"
#include "gui/messages/frm_log.h"
#include "gui/messages/prompter.h"

#include <QAction>
#include <QCloseEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QSqlDatabase>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <exception>
#include <functional>
#include <limits>
#include <vector>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace orvela {
namespace {

const QString UpdatingSuffix = QStringLiteral(" ....Updating data");
const QString ShutdownCaption = QStringLiteral("*** Shutting Down Orvela ... Please Wait ***");

struct PanelPlace
{
    int left, top, width, height;
};

// The arrangement of the panels. The window fits it to the room of its tab page at the design
// size once, when the page first has a size (the room depends on the style's menu bar, tab bar
// and frames); resizing the window never moves the panels after that.
constexpr std::array<PanelPlace, 7> LivePlaces = {{{1, 0, 272, 315},
                                                   {273, 0, 272, 316},
                                                   {546, 0, 272, 316},
                                                   {818, 0, 272, 316},
                                                   {-1, 316, 440, 326},
                                                   {440, 316, 440, 326},
                                                   {881, 316, 440, 326}}};
constexpr PanelPlace StationPanelPlace = {1090, 0, 231, 316};
constexpr std::array<PanelPlace, 6> GraphPlaces = {{{0, 0, 440, 321},
                                                    {440, 0, 440, 321},
                                                    {881, 0, 440, 321},
                                                    {0, 321, 440, 321},
                                                    {440, 321, 440, 321},
                                                    {881, 321, 440, 321}}};
// The room the arrangement takes.
constexpr int PlacesWidth = 1321;
constexpr int PlacesHeight = 642;

// Each edge is scaled on its own, so panels that meet still meet.
void place(QWidget* widget, const PanelPlace& at, double scaleX = 1.0, double scaleY = 1.0)
{
    const int left = static_cast<int>(std::lround(at.left * scaleX));
    const int top = static_cast<int>(std::lround(at.top * scaleY));
    const int right = static_cast<int>(std::lround((at.left + at.width) * scaleX));
    const int bottom = static_cast<int>(std::lround((at.top + at.height) * scaleY));
    widget->setGeometry(left, top, right - left, bottom - top);
}

// Waits for the first size of either tab page and then hands the page's room at the window's
// design size to `fill`, once.
class PageRoomWatch final : public QObject
{
public:
    PageRoomWatch(QWidget* window, QSize designSize, std::function<void(QSize)> fill,
                  std::initializer_list<QWidget*> pages)
        : QObject(window), m_window(window), m_designSize(designSize), m_fill(std::move(fill)),
          m_pages(pages)
    {
        for (QWidget* page : m_pages)
            page->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize && !m_done) {
            const auto* page = static_cast<QWidget*>(watched);
            // The frame round the page does not change with the window's size. A page is
            // first laid out empty while the tab control sets itself up: that size is not one.
            const QSize room = page->size() + (m_designSize - m_window->size());
            if (!page->size().isEmpty() && room.width() > 0 && room.height() > 0) {
                m_done = true;
                for (QWidget* other : m_pages)
                    other->removeEventFilter(this);
                m_fill(room);
                deleteLater();
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* m_window;
    QSize m_designSize;
    std::function<void(QSize)> m_fill;
    std::vector<QWidget*> m_pages;
    bool m_done = false;
};

// How long the first show waits for the platform to show the window before going on.
constexpr std::chrono::milliseconds FirstPaintWait{1000};

// Processes events (all but input) until the window is exposed, which paints it, or until
// `limit` has passed, whichever comes first.
void WaitUntilExposed(const QWidget& window, std::chrono::milliseconds limit)
{
    const auto exposed = [&window] {
        const QWindow* handle = window.windowHandle();
        return handle != nullptr && handle->isExposed();
    };
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(limit);
    while (!exposed() && deadline.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents |
                                        QEventLoop::ExcludeUserInputEvents);
}

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
    buildPopupMenus();
    buildAgeWatch();
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

    auto* liveTab = new QWidget;
    liveTab->setObjectName(QStringLiteral("tabLiveData"));
    for (int slot = 1; slot <= LiveCount; ++slot) {
        const LiveKind kind = slot <= 4   ? LiveKind::Thermometer
                              : slot <= 6 ? LiveKind::Dial
                                          : LiveKind::WindChart;
        m_live.at(static_cast<std::size_t>(slot - 1)) = new LivePosition(slot, kind, liveTab);
    }
    m_stationPanel = new StationPanel(liveTab);

    auto* graphTab = new QWidget;
    graphTab->setObjectName(QStringLiteral("tabGraphData"));
    for (int slot = 1; slot <= GraphCount; ++slot)
        m_graphs.at(static_cast<std::size_t>(slot - 1)) = new GraphPosition(slot, graphTab);

    const auto placePanels = [this](double scaleX, double scaleY) {
        for (std::size_t i = 0; i < m_live.size(); ++i)
            place(m_live.at(i), LivePlaces.at(i), scaleX, scaleY);
        place(m_stationPanel, StationPanelPlace, scaleX, scaleY);
        for (std::size_t i = 0; i < m_graphs.size(); ++i)
            place(m_graphs.at(i), GraphPlaces.at(i), scaleX, scaleY);
    };
    placePanels(1.0, 1.0);
    new PageRoomWatch(this, QSize(DesignWidth, DesignHeight),
                      [placePanels](QSize room) {
                          placePanels(static_cast<double>(room.width()) / PlacesWidth,
                                      static_cast<double>(room.height()) / PlacesHeight);
                      },
                      {liveTab, graphTab});

    m_tabs->addTab(liveTab, QStringLiteral("Live Data"));
    m_tabs->addTab(graphTab, QStringLiteral("Graph Data"));
    m_tabs->setCurrentIndex(0);
}

void TfrmMain::FormCreate()
{
    // The session keeps its name; a second window in the same process (tests) takes another.
    QString session = StationDatabase::DefaultSessionName();
    for (int n = 2; QSqlDatabase::contains(session); ++n)
        session = StationDatabase::DefaultSessionName() + QString::number(n);
    m_database = std::make_unique<StationDatabase>(session);
    m_queries = std::make_unique<StationQueries>(*m_database);
    StationSensors.clear();
    ImageFileName.clear();

    m_settingsStore = std::make_unique<SettingsStore>(m_configPath);
    LoadSettings();

    SetCaption(DisplayTitle);
    m_log.setMainWindow(this);
    Connected = false;
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
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
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
    if (CurrentStation.isEmpty()) {
        CurrentPrompter().showMessage(this, BoxIcon::Information, QString(),
                                      QStringLiteral("No station has been selected.  \n"
                                                     "Select station in the Setup Parameters "
                                                     "window."));
        return;
    }
    if (Connected)
        ShowStation();
    else if (m_cycle.isWaitingForDatabase())
        StartTimer();
    if (WindChart* wind = livePosition(LiveCount)->windChart())
        wind->setAngleIncrement(30);
}

void TfrmMain::ShowStation()
{
    // A failing query is reported and the start goes on: the timer still starts, so the next
    // tick tries again.
    try {
        m_queries->LoadStationSensors(CurrentStation, StationSensors);
    } catch (const std::exception& failure) {
        m_cycle.reportFailure(QString::fromUtf8(failure.what()));
    }
    FillSensorChoosers();
    Timer1Timer();
    try {
        if (m_queries->ReadLastUpdate(CurrentStation, LastUpdate))
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
    m_timer->setInterval(TimerPeriod(UpdateMinutes));
    if (m_timer->interval() == 0 && !m_refreshOffSaid) {
        m_refreshOffSaid = true;
        m_log.AddStatusLine(QStringLiteral("GraphUpdate is %1: the timed refresh is off; the "
                                           "display is refreshed only at start and after Setup")
                                .arg(UpdateMinutes));
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

QString TfrmMain::UpdatingCaptionSuffix()
{
    return UpdatingSuffix;
}

void TfrmMain::HideCursors()
{
    for (GraphPosition* graph : m_graphs)
        graph->hideCursor();
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
    StationSensors.clear();
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
