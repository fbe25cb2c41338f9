// The live side of the main window: the thirteen sensor choosers, the captions, the live
// refresh with the wind chart, the ages of the readings shown, the popup target and the
// gauge-limit and units commands.

#include "gui/app/frm_main.h"

#include "core/db/station_queries.h"
#include "core/live/value_text.h"
#include "gui/app/station_panel.h"
#include "gui/graphs/graph_chart.h"
#include "gui/graphs/graph_position.h"
#include "gui/live/dial_gauge.h"
#include "gui/live/frm_min_max.h"
#include "gui/live/frm_units.h"
#include "gui/live/live_position.h"
#include "gui/live/thermometer_gauge.h"
#include "gui/live/wind_chart.h"
#include "gui/messages/frm_log.h"
#include "gui/messages/prompter.h"

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QTimer>

namespace orvela {
namespace {

const char* const KindTagProperty = "kindTag";
constexpr int ChooserCount = 13;
// Ages are shown in minutes: judging them twice a minute keeps the marks within half a minute.
constexpr int AgeTimerPeriod = 30 * 1000;

QString Caption(const QString& station, const QString& sensor, const QString& units)
{
    return station + QLatin1Char('.') + sensor + QStringLiteral(" (") + units + QLatin1Char(')');
}

} // namespace

QComboBox* TfrmMain::chooser(int number) const
{
    return number <= GraphCount ? graphPosition(number)->chooser()
                                : livePosition(number - GraphCount)->chooser();
}

void TfrmMain::buildPopupMenus()
{
    m_pMnuLiveData = new QMenu(this);
    m_pMnuLiveData->setObjectName(QStringLiteral("pMnuLiveData"));
    QAction* minMax = m_pMnuLiveData->addAction(QStringLiteral("Min/Max Settings"));
    minMax->setObjectName(QStringLiteral("MinMaxSettings1"));
    connect(minMax, &QAction::triggered, this, &TfrmMain::MinMaxSettings1Click);
    QAction* units = m_pMnuLiveData->addAction(QStringLiteral("Sensor Units"));
    units->setObjectName(QStringLiteral("SensorUnits1"));
    connect(units, &QAction::triggered, this, &TfrmMain::SensorUnits1Click);

    m_pMnuGraph = new QMenu(this);
    m_pMnuGraph->setObjectName(QStringLiteral("pMnuGraph"));
    QAction* timeRange = m_pMnuGraph->addAction(QStringLiteral("Edit Time Range"));
    timeRange->setObjectName(QStringLiteral("TimeRange1"));
    connect(timeRange, &QAction::triggered, this, &TfrmMain::TimeRange1Click);
    QAction* graphUnits = m_pMnuGraph->addAction(QStringLiteral("Sensor Units"));
    graphUnits->setObjectName(QStringLiteral("GraphUnits1"));
    connect(graphUnits, &QAction::triggered, this, &TfrmMain::SensorUnits1Click);
    QAction* print = m_pMnuGraph->addAction(QStringLiteral("Print"));
    print->setObjectName(QStringLiteral("Print1"));
    connect(print, &QAction::triggered, this, &TfrmMain::Print1Click);
    addGraphTools(m_pMnuGraph);

    // The wind chart's units would otherwise be out of the operator's reach.
    m_pMnuWind = new QMenu(this);
    m_pMnuWind->setObjectName(QStringLiteral("pMnuWind"));
    QAction* windUnits = m_pMnuWind->addAction(QStringLiteral("Sensor Units"));
    windUnits->setObjectName(QStringLiteral("WindUnits1"));
    connect(windUnits, &QAction::triggered, this, &TfrmMain::SensorUnits1Click);

    for (int slot = 1; slot <= LiveCount; ++slot) {
        LivePosition* position = livePosition(slot);
        switch (position->kind()) {
        case LiveKind::Thermometer:
            attachPopup(position->display(), KindThermometer, m_pMnuLiveData);
            break;
        case LiveKind::Dial:
            attachPopup(position->display(), KindDial, m_pMnuLiveData);
            break;
        case LiveKind::WindChart:
            attachPopup(position->display(), KindWindChart, m_pMnuWind);
            break;
        }
    }
    for (int slot = 1; slot <= GraphCount; ++slot)
        attachPopup(graphPosition(slot)->chart(), KindGraph, m_pMnuGraph);

    m_pMnuImage = new QMenu(this);
    m_pMnuImage->setObjectName(QStringLiteral("pMnuImage"));
    QAction* selectImage = m_pMnuImage->addAction(QStringLiteral("Select Image File"));
    selectImage->setObjectName(QStringLiteral("SelectImageFile1"));
    connect(selectImage, &QAction::triggered, this, &TfrmMain::SelectImageFile1Click);
    attachPopup(m_stationPanel->picture(), KindStationPicture, m_pMnuImage);

    for (int number = 1; number <= ChooserCount; ++number) {
        QComboBox* box = chooser(number);
        // Only a pick by the operator counts as a change; filling the lists does not.
        connect(box, QOverload<int>::of(&QComboBox::activated), this,
                [this, box](int) { cbxSensorsChange(box); });
    }
}

void TfrmMain::buildAgeWatch()
{
    m_ageTimer = new QTimer(this);
    m_ageTimer->setObjectName(QStringLiteral("AgeTimer"));
    m_ageTimer->setInterval(AgeTimerPeriod);
    connect(m_ageTimer, &QTimer::timeout, this, &TfrmMain::RefreshAges);
    m_ageTimer->start();
}

void TfrmMain::AddStatusLines(const QStringList& lines)
{
    for (const QString& line : lines) {
        if (!line.isEmpty())
            m_log.AddStatusLine(line);
    }
}

void TfrmMain::attachPopup(QWidget* object, int kindTag, QMenu* menu)
{
    object->setProperty(KindTagProperty, kindTag);
    object->setContextMenuPolicy(Qt::CustomContextMenu);
    // The menu key reaches the same place as the right mouse button.
    connect(object, &QWidget::customContextMenuRequested, this, [this, object, menu](QPoint at) {
        OnObjectMouseDown(object, Qt::RightButton);
        menu->popup(object->mapToGlobal(at));
    });
}

int TfrmMain::KindTagOf(const QObject* object)
{
    return object ? object->property(KindTagProperty).toInt() : 0;
}

int TfrmMain::UnitsIndexOf(const QObject* object)
{
    if (!object)
        return -1;
    const QString name = object->objectName();
    auto numberAfter = [&name](QLatin1String prefix) {
        return name.startsWith(prefix) ? name.mid(prefix.size()).toInt() : 0;
    };
    if (const int n = numberAfter(QLatin1String("teeGraph")); n >= 1 && n <= 6)
        return n - 1;
    if (const int n = numberAfter(QLatin1String("vrThermoMeter")); n >= 1 && n <= 4)
        return n + 5;
    if (const int n = numberAfter(QLatin1String("vrAngularMeter")); n >= 1 && n <= 2)
        return n + 9;
    if (name == QLatin1String("chrtWind"))
        return 12;
    return -1;
}

void TfrmMain::OnObjectMouseDown(QWidget* object, Qt::MouseButton button)
{
    if (button == Qt::RightButton && KindTagOf(object) != 0)
        m_popupTarget = object;
}

void TfrmMain::FillSensorChoosers()
{
    for (int number = 1; number <= ChooserCount; ++number)
        chooser(number)->clear();
    for (int number = 1; number <= ChooserCount; ++number) {
        QComboBox* box = chooser(number);
        box->addItems(StationSensors);
        const QString& wanted = number <= GraphCount ? GraphSensorNames.value(number - 1)
                                                     : LiveSensorNames.value(number - 7);
        int pick = -1;
        for (int i = 0; i < StationSensors.size(); ++i) {
            if (StationSensors.at(i).compare(wanted, Qt::CaseInsensitive) == 0) {
                pick = i;
                break;
            }
        }
        box->setCurrentIndex(pick);
    }
}

void TfrmMain::RefreshCaptions()
{
    for (int slot = 1; slot <= GraphCount; ++slot) {
        GraphPosition* graph = graphPosition(slot);
        graph->chart()->setValueAxisTitle(graph->chooser()->currentText() + QStringLiteral(" (") +
                                          SlotUnits.value(slot - 1) + QLatin1Char(')'));
    }
    // The station stands as configured, blanks and all.
    for (int slot = 1; slot <= 6; ++slot) {
        LivePosition* position = livePosition(slot);
        position->setCaptionText(
            Caption(CurrentStation, position->chooser()->currentText(), SlotUnits.value(slot + 5)));
    }
}

void TfrmMain::cbxSensorsChange(QComboBox* box)
{
    // After the close the lists and the database are gone.
    if (m_cycle.isClosed())
        return;
    const int number = box->objectName().mid(10).toInt();
    // A failure while following the operator's pick shows no box; its reason goes to the
    // Messages window.
    try {
        if (number >= 1 && number <= GraphCount) {
            GraphSensorNames[number - 1] = box->currentText();
            RefreshCaptions();
            RefreshGraphs();
        } else if (number > GraphCount && number <= ChooserCount) {
            LiveSensorNames[number - 7] = box->currentText();
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

void TfrmMain::RefreshLiveData()
{
    if (!m_queries->ReadLastUpdate(CurrentStation, LastUpdate))
        return;
    ShowLastUpdate();
    m_stationPanel->setDataTime(CurrentStation, StationTimeToDateTime(LastUpdate));
    QStringList alarms;
    for (int slot = 1; slot <= 6; ++slot) {
        LivePosition* position = livePosition(slot);
        const QString sensor = position->chooser()->currentText();
        LatestReading reading;
        const bool found = m_queries->ReadLatestReading(CurrentStation, sensor, reading);
        alarms << position->showReading(CurrentStation + QLatin1Char('.') + sensor, found,
                                        reading.value, reading.time, SlotUnits.value(slot + 5));
    }
    AddStatusLines(alarms);
    RefreshWindChart();
    RefreshAges();
}

void TfrmMain::RefreshWindChart()
{
    LivePosition* wind = livePosition(LiveCount);
    const QString sensor = wind->chooser()->currentText();
    LatestReading reading;
    const bool found = m_queries->ReadLatestReading(CurrentStation, sensor, reading);
    const float value = reading.value;
    wind->showReading(CurrentStation + QLatin1Char('.') + sensor, found, value, reading.time,
                      SlotUnits.value(12));
    wind->setCaptionText(CurrentStation + QLatin1Char('.') + sensor);
    PolarSeries& series = wind->windChart()->series();
    series.clear();
    series.addPoint(0.0, 0.0);
    series.addPoint(RoundHalfEven(static_cast<double>(value)), WindChart::RadiusMaximum);
    wind->windChart()->update();
}

void TfrmMain::RefreshAges()
{
    if (m_cycle.isClosed())
        return;
    const CivilTime clock = ReadLocalClock();
    const DateTime now =
        CivilToDateTime(clock.year, clock.month, clock.day, clock.hour, clock.minute, clock.second);
    const std::int64_t limit = StaleLimitSeconds(StaleMinutes, UpdateMinutes);
    QVector<StaleLog::Item> judged;
    m_stationPanel->showAge(now, limit);
    if (const std::optional<StaleLog::Item> station = m_stationPanel->staleItem())
        judged << *station;
    for (int slot = 1; slot <= LiveCount; ++slot) {
        LivePosition* position = livePosition(slot);
        position->showAge(now, limit);
        const ReadingWatch& watch = position->watch();
        if (watch.hasTime())
            judged << StaleLog::Item{QStringLiteral("sensor ") + watch.source(), watch.ageLevel(),
                                     watch.ageSeconds(), watch.time()};
    }
    AddStatusLines(m_staleLog.update(judged));
}

void TfrmMain::MinMaxSettings1Click()
{
    const int tag = KindTagOf(m_popupTarget);
    if (tag != KindThermometer && tag != KindDial)
        return;
    LivePosition* position = nullptr;
    for (int slot = 1; slot <= 6; ++slot) {
        if (livePosition(slot)->display() == m_popupTarget)
            position = livePosition(slot);
    }
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
    const int tag = KindTagOf(m_popupTarget);
    const int index = UnitsIndexOf(m_popupTarget);
    if (tag < KindThermometer || tag > KindGraph || index < 0 || index >= SlotUnits.size())
        return;
    QString units = SlotUnits.at(index);
    TfrmUnits dialog(units, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    SlotUnits[index] = units;
    RefreshCaptions();
}

} // namespace orvela
