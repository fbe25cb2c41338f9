#include "gui/live/live_position.h"

#include "core/live/value_text.h"
#include "gui/live/dial_gauge.h"
#include "gui/live/thermometer_gauge.h"
#include "gui/live/wind_chart.h"

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

QFont arialPixels(int pixels, bool bold = false)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

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

} // namespace

LivePosition::LivePosition(int slot, LiveKind kind, QWidget* parent)
    : QFrame(parent), m_slot(slot), m_kind(kind), m_watch(slot)
{
    setObjectName(QStringLiteral("pnlLive%1").arg(slot));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);

    m_strip = new QFrame(this);
    m_strip->setObjectName(QStringLiteral("pnlChooser%1").arg(slot + 6));
    m_strip->setFrameShape(QFrame::Panel);
    m_strip->setFrameShadow(QFrame::Raised);
    m_chooser = new QComboBox(m_strip);
    m_chooser->setObjectName(QStringLiteral("cbxSensors%1").arg(slot + 6));
    m_chooser->setEditable(false);

    m_value = new QLabel(this);
    m_value->setObjectName(QStringLiteral("lblValue%1").arg(slot));
    m_value->setAlignment(Qt::AlignCenter);

    switch (kind) {
    case LiveKind::Thermometer: {
        m_caption = new QLabel(this);
        m_caption->setObjectName(QStringLiteral("lblLive%1").arg(slot));
        m_caption->setAlignment(Qt::AlignCenter);
        QFont font = arialPixels(13);
        font.setUnderline(true);
        m_caption->setFont(font);

        m_thermometer = new ThermometerGauge(this);
        m_thermometer->setObjectName(QStringLiteral("vrThermoMeter%1").arg(slot));
        if (slot == 4)
            m_thermometer->setMajorStep(1.0);
        m_display = m_thermometer;

        m_value->setFont(arialPixels(13, true));
        m_value->setAutoFillBackground(true);
        m_valueStyle = QStringLiteral("background-color: #fffbf0;");
        break;
    }
    case LiveKind::Dial:
        m_dial = new DialGauge(this);
        m_dial->setObjectName(QStringLiteral("vrAngularMeter%1").arg(slot - 4));
        m_display = m_dial;
        m_value->setFont(arialPixels(16, true));
        break;
    case LiveKind::WindChart: {
        m_wind = new WindChart(this);
        m_wind->setObjectName(QStringLiteral("chrtWind"));
        m_display = m_wind;
        // Both labels sit on the chart: the caption top left, the value near the top right.
        m_caption = new QLabel(m_wind);
        m_caption->setObjectName(QStringLiteral("lblLive%1").arg(slot));
        m_caption->setFont(arialPixels(13));
        m_caption->setStyleSheet(QStringLiteral("color: white;"));
        m_value->setParent(m_wind);
        m_value->setFont(arialPixels(16, true));
        m_valueStyle = QStringLiteral("color: white;");
        break;
    }
    }
    m_value->setStyleSheet(m_valueStyle);
    m_dimmer = new DimOverlay(m_display);
    // The wind chart's labels lie on the chart: they stay above the wash.
    if (m_wind) {
        m_caption->raise();
        m_value->raise();
    }
    resize(kind == LiveKind::Thermometer ? 272 : 440, kind == LiveKind::Thermometer ? 316 : 326);
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
    switch (m_kind) {
    case LiveKind::Thermometer:
        m_caption->setGeometry(4, ChooserStripHeight + 6, panelWidth - 8, 18);
        m_thermometer->setGeometry(10, ChooserStripHeight + 28, 150,
                                   panelHeight - ChooserStripHeight - 34);
        m_value->setGeometry(150, ChooserStripHeight + 40, panelWidth - 160,
                             twoLines ? TwoLineLabelHeight : ValueLabelHeight);
        break;
    case LiveKind::Dial: {
        // The dial keeps its proportions, centred above the value label.
        const int dialHeight = panelHeight - ChooserStripHeight - 48;
        const int dialWidth = dialHeight + 30;
        m_dial->setGeometry((panelWidth - dialWidth) / 2, ChooserStripHeight + 4, dialWidth,
                            dialHeight);
        m_value->setGeometry(4, panelHeight - 40, panelWidth - 8, ValueLabelHeight);
        break;
    }
    case LiveKind::WindChart:
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
