#pragma once

// A thermometer gauge of the "Live Data" tab: a vertical pipe with a black scale on its left and
// an aqua triangular marker on its right that points at the reading.

#include <qwt_thermo.h>

namespace orvela {

// The toolkit's value setter is virtual, so the "value" property and a call through the base
// class reach setValue below; the property also reads the reading as set.
class ThermometerGauge : public QwtThermo
{
    Q_OBJECT
    Q_PROPERTY(double value READ value WRITE setValue)
public:
    explicit ThermometerGauge(QWidget* parent = nullptr);

    // Any pair of limits is taken: equal, inverted (the minimum is always drawn at the bottom,
    // so an inverted pair reads downwards) or far apart. See DrawnIntervalFor for how equal or
    // non-finite limits are drawn.
    void setLimits(double minimum, double maximum);
    void setMinimum(double minimum);
    void setMaximum(double maximum);
    // The limits as set, not the interval drawn for them.
    double minimum() const { return m_minimum; }
    double maximum() const { return m_maximum; }

    // The distance between major ticks the scale prefers (20 by default); the scale grows it
    // while its labels would not fit. Minor ticks divide a major interval in five.
    void setMajorStep(double step);
    double majorStep() const { return m_majorStep; }

    // The reading. The marker stops at the nearer end of the scale for a value beyond it; a value
    // that is not a number shows no marker and no fill.
    void setValue(double value) override;
    double value() const { return m_value; }

    // Where the marker points, in widget coordinates (its tip's y); -1 when no marker shows.
    int markerPosition() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateScale();

    double m_minimum = 0.0;
    double m_maximum = 100.0;
    double m_majorStep = 20.0;
    double m_value = 0.0;
};

} // namespace orvela
