#include "gui/live/live_position.h"

#include "core/config/settings_store.h"
#include "core/db/station_queries.h"
#include "core/live/value_text.h"
#include "gui/live/dial_gauge.h"
#include "gui/live/frm_min_max.h"
#include "gui/live/thermometer_gauge.h"
#include "gui/live/wind_chart.h"
#include "gui/messages/prompter.h"
#include "gui/widgets/fonts.h"
#include "gui/widgets/sensor_chooser.h"

#include <QComboBox>
#include <QLabel>
#include <QPainter>

namespace orvela {
namespace {

constexpr int ChooserStripHeight = 28;
constexpr int ValueLabelHeight = 26;
// A stale reading's label holds a second line: its age.
constexpr int TwoLineLabelHeight = 44;
const QString AlarmStyle = QStringLiteral("color: #d00000;");

// Lies over a display whose reading is stale and washes it out with the panel's colour; the
// mouse goes through it to the display and its popup menu.
class DimOverlay final : public QWidget
{
public:
    explicit DimOverlay(QWidget* display) : QWidget(display)
    {
        setObjectName(QStringLiteral("dimmer"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QColor wash = palette().color(QPalette::Window);
        wash.setAlpha(165);
        QPainter(this).fillRect(rect(), wash);
    }
};

// An alarm limit: missing, empty or not a number is none.
std::optional<double> readAlarmLimit(const SettingsStore& store, const QString& section,
                                     QLatin1String key)
{
    double value = 0.0;
    if (SettingsStore::parseReal(store.readString(section, key, QString()), value))
        return value;
    return std::nullopt;
}

// No limit is an empty value, which reads back as none.
void writeAlarmLimit(SettingsStore& store, const QString& section, QLatin1String key,
                     const std::optional<double>& limit)
{
    if (limit)
        store.writeReal(section, key, *limit);
    else
        store.writeString(section, key, QString());
}

} // namespace

LivePosition::LivePosition(const settings::Position& entry, QWidget* parent)
    : QFrame(parent), m_entry(entry), m_units(entry.units), m_watch(entry.slot)
{
    using settings::PositionKind;
    const int slot = entry.slot;
    setObjectName(QStringLiteral("pnlLive%1").arg(slot));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);

    m_strip = new QFrame(this);
    m_strip->setObjectName(QStringLiteral("pnlChooser%1").arg(entry.chooser));
    m_strip->setFrameShape(QFrame::Panel);
    m_strip->setFrameShadow(QFrame::Raised);
    m_chooser = new QComboBox(m_strip);
    m_chooser->setObjectName(QStringLiteral("cbxSensors%1").arg(entry.chooser));
    m_chooser->setEditable(false);

    m_value = new QLabel(this);
    m_value->setObjectName(QStringLiteral("lblValue%1").arg(slot));
    m_value->setAlignment(Qt::AlignCenter);

    switch (entry.kind) {
    case PositionKind::Thermometer: {
        m_caption = new QLabel(this);
        m_caption->setObjectName(QStringLiteral("lblLive%1").arg(slot));
        m_caption->setAlignment(Qt::AlignCenter);
        QFont font = ArialPixels(13);
        font.setUnderline(true);
        m_caption->setFont(font);

        m_thermometer = new ThermometerGauge(this);
        if (entry.majorStep > 0)
            m_thermometer->setMajorStep(entry.majorStep);
        m_display = m_thermometer;

        m_value->setFont(ArialPixels(13, true));
        m_value->setAutoFillBackground(true);
        m_valueStyle = QStringLiteral("background-color: #fffbf0;");
        break;
    }
    case PositionKind::Dial:
        m_dial = new DialGauge(this);
        m_display = m_dial;
        m_value->setFont(ArialPixels(16, true));
        break;
    case PositionKind::WindChart:
    case PositionKind::Graph: {
        m_wind = new WindChart(this);
        m_display = m_wind;
        // Both labels sit on the chart: the caption top left, the value near the top right.
        m_caption = new QLabel(m_wind);
        m_caption->setObjectName(QStringLiteral("lblLive%1").arg(slot));
        m_caption->setFont(ArialPixels(13));
        m_caption->setStyleSheet(QStringLiteral("color: white;"));
        m_value->setParent(m_wind);
        m_value->setFont(ArialPixels(16, true));
        m_valueStyle = QStringLiteral("color: white;");
        break;
    }
    }
    m_display->setObjectName(entry.display);
    m_value->setStyleSheet(m_valueStyle);
    m_dimmer = new DimOverlay(m_display);
    // The wind chart's labels lie on the chart: they stay above the wash.
    if (m_wind) {
        m_caption->raise();
        m_value->raise();
    }
    const bool thermometer = entry.kind == PositionKind::Thermometer;
    resize(thermometer ? 272 : 440, thermometer ? 316 : 326);
    layoutContents();
}

// The contents follow the panel's size: the window gives the panels the room of the tab page
// once, and the panels never move after that.
void LivePosition::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    layoutContents();
}

void LivePosition::layoutContents()
{
    const int panelWidth = width();
    const int panelHeight = height();
    m_strip->setGeometry(2, 2, panelWidth - 4, ChooserStripHeight);
    m_chooser->setGeometry(4, 3, panelWidth - 16, ChooserStripHeight - 6);
    const bool twoLines = m_watch.ageLevel() != AgeLevel::Fresh;
    switch (m_entry.kind) {
    case settings::PositionKind::Thermometer:
        m_caption->setGeometry(4, ChooserStripHeight + 6, panelWidth - 8, 18);
        m_thermometer->setGeometry(10, ChooserStripHeight + 28, 150,
                                   panelHeight - ChooserStripHeight - 34);
        m_value->setGeometry(150, ChooserStripHeight + 40, panelWidth - 160,
                             twoLines ? TwoLineLabelHeight : ValueLabelHeight);
        break;
    case settings::PositionKind::Dial: {
        // The dial keeps its proportions, centred above the value label.
        const int dialHeight = panelHeight - ChooserStripHeight - 48;
        const int dialWidth = dialHeight + 30;
        m_dial->setGeometry((panelWidth - dialWidth) / 2, ChooserStripHeight + 4, dialWidth,
                            dialHeight);
        m_value->setGeometry(4, panelHeight - 40, panelWidth - 8, ValueLabelHeight);
        break;
    }
    case settings::PositionKind::WindChart:
    case settings::PositionKind::Graph:
        m_wind->setGeometry(2, ChooserStripHeight + 2, panelWidth - 4,
                            panelHeight - ChooserStripHeight - 4);
        m_caption->setGeometry(6, 4, 240, 18);
        m_value->setGeometry(panelWidth - 4 - 130, 4, 120,
                             twoLines ? TwoLineLabelHeight : ValueLabelHeight - 2);
        break;
    }
    if (m_dimmer)
        m_dimmer->setGeometry(m_display->rect());
}

void LivePosition::fillChooser(const QStringList& stationSensors)
{
    FillSensorChooser(*m_chooser, stationSensors, m_sensorName);
}

bool LivePosition::loadSettings(const SettingsStore& store, bool applyLimits)
{
    namespace keys = settings;
    const QString section = m_entry.section;
    m_sensorName = store.readString(section, keys::Name, QString());
    m_units = store.readString(section, keys::Units, m_entry.units);
    if (!hasGaugeLimits())
        return true;
    setAlarmLimits({readAlarmLimit(store, section, keys::AlarmLow),
                    readAlarmLimit(store, section, keys::AlarmHigh)});
    if (!applyLimits)
        return true;
    // Both limits go on together: a dial range saved wholly above its design maximum could not
    // be applied minimum first.
    return restoreLimits(store.readReal(section, keys::Min, m_entry.limits.minimum),
                         store.readReal(section, keys::Max, m_entry.limits.maximum));
}

void LivePosition::saveSettings(SettingsStore& store) const
{
    namespace keys = settings;
    const QString section = m_entry.section;
    store.writeString(section, keys::Name, SavedSensorName(*m_chooser, m_sensorName));
    if (hasGaugeLimits()) {
        store.writeReal(section, keys::Min, minimum());
        store.writeReal(section, keys::Max, maximum());
    }
    store.writeString(section, keys::Units, m_units);
    // Keys beyond the first layout stand after it, so an older desk reads the file as before.
    if (hasGaugeLimits()) {
        writeAlarmLimit(store, section, keys::AlarmLow, alarmLimits().low);
        writeAlarmLimit(store, section, keys::AlarmHigh, alarmLimits().high);
    }
}

void LivePosition::refreshCaption(const QString& station)
{
    // The station stands as configured, blanks and all.
    setCaptionText(station + QLatin1Char('.') + m_chooser->currentText() + QStringLiteral(" (") +
                   m_units + QLatin1Char(')'));
}

QString LivePosition::refresh(const QString& station, StationQueries& queries)
{
    const QString sensor = m_chooser->currentText();
    const QString source = station + QLatin1Char('.') + sensor;
    LatestReading reading;
    const bool found = queries.ReadLatestReading(station, sensor, reading);
    const QString line = showReading(source, found, reading.value, reading.time, m_units);
    if (m_wind) {
        setCaptionText(source);
        PolarSeries& series = m_wind->series();
        series.clear();
        series.addPoint(0.0, 0.0);
        series.addPoint(RoundHalfEven(static_cast<double>(reading.value)),
                        WindChart::RadiusMaximum);
        m_wind->update();
    }
    return line;
}

double LivePosition::minimum() const
{
    if (m_thermometer)
        return m_thermometer->minimum();
    return m_dial ? m_dial->minimum() : 0.0;
}

double LivePosition::maximum() const
{
    if (m_thermometer)
        return m_thermometer->maximum();
    return m_dial ? m_dial->maximum() : 0.0;
}

bool LivePosition::restoreLimits(double minimum, double maximum)
{
    if (m_thermometer) {
        m_thermometer->setLimits(minimum, maximum);
        return true;
    }
    if (m_dial) {
        try {
            m_dial->setRange(minimum, maximum);
        } catch (const GaugeRangeError&) {
            return false;
        }
    }
    return true;
}

void LivePosition::setCaptionText(const QString& text)
{
    if (m_dial)
        m_dial->setCaption(text);
    else
        m_caption->setText(text);
}

QString LivePosition::captionText() const
{
    return m_dial ? m_dial->caption() : m_caption->text();
}

void LivePosition::showValue(float value, const QString& units)
{
    if (m_thermometer)
        m_thermometer->setValue(static_cast<double>(value));
    else if (m_dial)
        m_dial->setValue(static_cast<double>(value));
    const QString text = m_wind ? WindValueText(value) : GaugeValueText(value);
    m_valueText = text + QLatin1Char(' ') + units;
    showState();
}

QString LivePosition::showReading(const QString& source, bool found, float value,
                                  std::optional<DateTime> time, const QString& units)
{
    const QString line = m_watch.takeReading(source, found, value, time, units);
    showValue(value, units);
    return line;
}

void LivePosition::showAge(DateTime now, std::int64_t limitSeconds)
{
    m_watch.judgeAge(now, limitSeconds);
    showState();
}

QString LivePosition::setAlarmLimits(const AlarmLimits& limits)
{
    const QString line = m_watch.setAlarmLimits(limits);
    showState();
    return line;
}

void LivePosition::EditLimits(QWidget* owner, const std::function<void(const QString&)>& say)
{
    auto minimum = static_cast<float>(this->minimum());
    auto maximum = static_cast<float>(this->maximum());
    AlarmLimits alarms = alarmLimits();
    TfrmMinMax dialog(minimum, maximum, alarms,
                      m_dial ? LimitsCheck::MinimumNotAboveMaximum : LimitsCheck::AnyPair, owner);
    if (dialog.exec() != QDialog::Accepted)
        return;
    say(setAlarmLimits(alarms));
    if (!restoreLimits(static_cast<double>(minimum), static_cast<double>(maximum)))
        ReportError(owner, GaugeRangeError().text());
}

bool LivePosition::isDimmed() const
{
    return m_dimmer && !m_dimmer->isHidden();
}

void LivePosition::showState()
{
    const bool stale = m_watch.ageLevel() != AgeLevel::Fresh;
    QString text = m_valueText;
    if (stale) {
        // The dial's label is one wide line; the others are narrow and take a second one.
        const QString age = AgeText(m_watch.ageSeconds());
        text += m_dial ? QStringLiteral(" (") + age + QLatin1Char(')') : QLatin1Char('\n') + age;
    }
    m_value->setText(text);
    const QString style =
        m_watch.alarmState() == AlarmState::Inside ? m_valueStyle : m_valueStyle + AlarmStyle;
    if (m_value->styleSheet() != style)
        m_value->setStyleSheet(style);
    if (m_dimmer->isHidden() == stale) {
        m_dimmer->setVisible(stale);
        layoutContents();
    }
}

} // namespace orvela
