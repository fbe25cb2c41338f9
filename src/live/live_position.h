#pragma once

// One live position of the "Live Data" tab: a panel with the sensor chooser strip on top, the
// sensor's caption, its display (thermometer, dial or wind chart) and its value label.

#include <QFrame>

class QComboBox;
class QLabel;

namespace orvela {

enum class LiveKind
{
    Thermometer,
    Dial,
    WindChart
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
    QLabel* caption() const { return m_caption; }
    QLabel* valueLabel() const { return m_value; }
    QWidget* display() const { return m_display; }

    double minimum() const { return m_minimum; }
    double maximum() const { return m_maximum; }
    // Sets both limits of the gauge as saved, whatever order they would need one by one. A dial
    // refuses a minimum above its maximum and keeps its limits then: the result is false.
    bool restoreLimits(double minimum, double maximum);

private:
    int m_slot;
    LiveKind m_kind;
    QComboBox* m_chooser = nullptr;
    QLabel* m_caption = nullptr;
    QLabel* m_value = nullptr;
    QWidget* m_display = nullptr;
    double m_minimum = 0.0;
    double m_maximum = 100.0;
};

} // namespace orvela
