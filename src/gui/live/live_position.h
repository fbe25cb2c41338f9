#pragma once

// One live position of the "Live Data" tab: a panel with the sensor chooser strip on top, the
// sensor's caption, its display (thermometer, dial or wind chart) and its value label. The
// position also keeps how its reading stands (its age, its alarm limits) and shows it: a stale
// reading dims the display and puts its age in the value label; a value outside the alarm
// limits turns the label red.

#include "core/live/reading_watch.h"

#include <QFrame>

#include <optional>

class QComboBox;
class QLabel;

namespace orvela {

class DialGauge;
class ThermometerGauge;
class WindChart;

enum class LiveKind
{
    Thermometer,
    Dial,
    WindChart
};

// The kind tags that the popup commands test.
enum KindTag : int
{
    KindThermometer = 1,
    KindDial = 2,
    KindWindChart = 3,
    KindGraph = 4,
    KindStationPicture = 10
};

class LivePosition : public QFrame
{
    Q_OBJECT
public:
    // `slot` is 1 to 7; the chooser is named cbxSensors(slot + 6).
    LivePosition(int slot, LiveKind kind, QWidget* parent);

    int slot() const { return m_slot; }
    LiveKind kind() const { return m_kind; }
    QComboBox* chooser() const { return m_chooser; }
    // The name caption: lblLive1..4 and lblLive7; the dials carry their caption themselves.
    QLabel* caption() const { return m_caption; }
    QLabel* valueLabel() const { return m_value; }
    // vrThermoMeterN, vrAngularMeterN or chrtWind: the object the popup commands act on.
    QWidget* display() const { return m_display; }
    ThermometerGauge* thermometer() const { return m_thermometer; }
    DialGauge* dial() const { return m_dial; }
    WindChart* windChart() const { return m_wind; }

    double minimum() const;
    double maximum() const;
    // Sets both limits as saved, whatever order they would need one by one. A dial refuses a
    // minimum above its maximum and keeps its limits then: the result is false.
    bool restoreLimits(double minimum, double maximum);

    void setCaptionText(const QString& text);
    QString captionText() const;
    // Moves the gauge to `value` and writes the value label: one decimal (none for the wind),
    // a blank, the units.
    void showValue(float value, const QString& units);
    // A refresh's reading of `source` ("STATION.SENSOR"): shows the value as showValue does and
    // judges it against the alarm limits. `found` false: the sensor has no reading and 0 is
    // shown. Returns the Messages line an alarm change calls for, or an empty text.
    QString showReading(const QString& source, bool found, float value,
                        std::optional<DateTime> time, const QString& units);
    // Judges the age of the reading shown at `now` and marks it when stale.
    void showAge(DateTime now, std::int64_t limitSeconds);
    // Positions 1 to 6; returns as showReading.
    QString setAlarmLimits(const AlarmLimits& limits);
    const AlarmLimits& alarmLimits() const { return m_watch.alarmLimits(); }
    const ReadingWatch& watch() const { return m_watch; }
    bool isDimmed() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutContents();
    // Writes the value label from the reading shown, its age and its alarm state.
    void showState();

    int m_slot;
    LiveKind m_kind;
    QFrame* m_strip = nullptr;
    QComboBox* m_chooser = nullptr;
    QLabel* m_caption = nullptr;
    QLabel* m_value = nullptr;
    QWidget* m_display = nullptr;
    ThermometerGauge* m_thermometer = nullptr;
    DialGauge* m_dial = nullptr;
    WindChart* m_wind = nullptr;
    QWidget* m_dimmer = nullptr;
    QString m_valueText; // value, blank, units
    QString m_valueStyle;
    ReadingWatch m_watch;
};

} // namespace orvela
