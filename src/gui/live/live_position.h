#pragma once

// One live position of the "Live Data" tab: a panel with the sensor chooser strip on top, the
// sensor's caption, its display (thermometer, dial or wind chart) and its value label. The
// position owns what its section of the configuration holds (its sensor, units, gauge limits
// and alarm limits) and how its reading stands (its age, its alarm state), and shows it: a stale
// reading dims the display and puts its age in the value label; a value outside the alarm
// limits turns the label red.

#include "core/config/settings_keys.h"
#include "core/live/reading_watch.h"

#include <QFrame>

#include <functional>
#include <optional>

class QComboBox;
class QLabel;

namespace orvela {

class DialGauge;
class SettingsStore;
class StationQueries;
class ThermometerGauge;
class WindChart;

class LivePosition : public QFrame
{
    Q_OBJECT
public:
    // The position of `entry`, one of settings::LivePositions.
    LivePosition(const settings::Position& entry, QWidget* parent);

    int slot() const { return m_entry.slot; }
    settings::PositionKind kind() const { return m_entry.kind; }
    bool hasGaugeLimits() const { return settings::HasGaugeLimits(m_entry); }
    QComboBox* chooser() const { return m_chooser; }
    // The name caption: lblLive1..4 and lblLive7; the dials carry their caption themselves.
    QLabel* caption() const { return m_caption; }
    QLabel* valueLabel() const { return m_value; }
    // vrThermoMeterN, vrAngularMeterN or chrtWind: the object the popup commands act on.
    QWidget* display() const { return m_display; }
    ThermometerGauge* thermometer() const { return m_thermometer; }
    DialGauge* dial() const { return m_dial; }
    WindChart* windChart() const { return m_wind; }

    // The configured sensor (the position's LiveSensorNames entry): what the chooser picks when
    // it is filled, replaced when the operator picks another.
    const QString& sensorName() const { return m_sensorName; }
    void setSensorName(const QString& name) { m_sensorName = name; }
    // The position's SlotUnits entry.
    const QString& units() const { return m_units; }
    void setUnits(const QString& units) { m_units = units; }
    void fillChooser(const QStringList& stationSensors);

    // The position's section. Gauge limits are applied only with `applyLimits`; false comes back
    // when the gauge refused the limits read.
    bool loadSettings(const SettingsStore& store, bool applyLimits);
    void saveSettings(SettingsStore& store) const;

    // "STATION.SENSOR (units)" from the chooser; the wind chart's caption is its refresh's.
    void refreshCaption(const QString& station);
    // Reads the latest reading of the chosen sensor and shows it (the wind chart also draws its
    // needle and writes its caption). Returns showReading's line. A failing query is thrown.
    QString refresh(const QString& station, StationQueries& queries);

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
    // "Min/Max Settings" of a gauge: the dialog over `owner` on its limits and alarm limits. With
    // OK the alarm limits are taken and `say` gets the line they call for; then the limits,
    // which a dial that refuses them keeps, saying so in an error box. A dial cannot take a
    // minimum above its maximum: the dialog refuses such a pair, so it gets both or neither.
    void EditLimits(QWidget* owner, const std::function<void(const QString&)>& say);
    const AlarmLimits& alarmLimits() const { return m_watch.alarmLimits(); }
    const ReadingWatch& watch() const { return m_watch; }
    bool isDimmed() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutContents();
    // Writes the value label from the reading shown, its age and its alarm state.
    void showState();

    const settings::Position& m_entry;
    QString m_sensorName;
    QString m_units;
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
