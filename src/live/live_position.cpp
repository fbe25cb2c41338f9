#include "live/live_position.h"

#include "live/dial_gauge.h"
#include "live/thermometer_gauge.h"
#include "live/value_text.h"
#include "live/wind_chart.h"

#include <QComboBox>
#include <QLabel>

namespace orvela {
namespace {

constexpr int ChooserStripHeight = 28;

QFont arialPixels(int pixels, bool bold = false)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

} // namespace

LivePosition::LivePosition(int slot, LiveKind kind, QWidget* parent)
    : QFrame(parent), m_slot(slot), m_kind(kind)
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
        m_value->setStyleSheet(QStringLiteral("background-color: #fffbf0;"));
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
        m_value->setStyleSheet(QStringLiteral("color: white;"));
        break;
    }
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
    switch (m_kind) {
    case LiveKind::Thermometer:
        m_caption->setGeometry(4, ChooserStripHeight + 6, panelWidth - 8, 18);
        m_thermometer->setGeometry(10, ChooserStripHeight + 28, 150,
                                   panelHeight - ChooserStripHeight - 34);
        m_value->setGeometry(150, ChooserStripHeight + 40, panelWidth - 160, 26);
        break;
    case LiveKind::Dial: {
        // The dial keeps its proportions, centred above the value label.
        const int dialHeight = panelHeight - ChooserStripHeight - 48;
        const int dialWidth = dialHeight + 30;
        m_dial->setGeometry((panelWidth - dialWidth) / 2, ChooserStripHeight + 4, dialWidth,
                            dialHeight);
        m_value->setGeometry(4, panelHeight - 40, panelWidth - 8, 26);
        break;
    }
    case LiveKind::WindChart:
        m_wind->setGeometry(2, ChooserStripHeight + 2, panelWidth - 4,
                            panelHeight - ChooserStripHeight - 4);
        m_caption->setGeometry(6, 4, 240, 18);
        m_value->setGeometry(panelWidth - 4 - 130, 4, 120, 24);
        break;
    }
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
    m_value->setText(text + QLatin1Char(' ') + units);
}

} // namespace orvela
