#pragma once

// A dial gauge of the "Live Data" tab: a grey face with a 270-degree scale in white, blue
// colour zones over the first and the last third of the scale, a needle and a caption inside
// the dial.

#include <QString>
#include <QWidget>

#include <stdexcept>

class QwtScaleDiv;

namespace orvela {

// A refused dial limit. text() is the dial's message, "Value out of range.".
class GaugeRangeError : public std::runtime_error
{
public:
    GaugeRangeError();
    QString text() const;
};

class DialFace;

// The dial is a plain widget that owns its drawing: the toolkit's dial inside it is out of
// reach, so its value setter and value property (which know nothing of the checks below) cannot
// be called on a gauge. Every way of setting the reading, including the "value" property, goes
// through setValue.
class DialGauge : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(double value READ value WRITE setValue)
public:
    explicit DialGauge(QWidget* parent = nullptr);

    // The limits. A minimum above the current maximum, a maximum below the current minimum, and
    // a limit that is not a finite number are refused with GaugeRangeError; the limits then stay
    // as they were. Equal limits are taken (see DrawnIntervalFor for how they are drawn).
    void setMinimum(double minimum);
    void setMaximum(double maximum);
    // Applies both limits, or neither: refused only when `minimum > maximum` or a limit is not
    // finite, whatever the current limits are.
    void setRange(double minimum, double maximum);
    double minimum() const { return m_minimum; }
    double maximum() const { return m_maximum; }

    // The reading. The needle stops at the nearer end of the scale for a value beyond it; a value
    // that is not a number hides the needle. value() is the reading as set; needleValue() the
    // value the needle points at, not-a-number while it is hidden.
    void setValue(double value);
    double value() const { return m_value; }
    double needleValue() const;
    bool isValid() const; // the needle shows

    void setCaption(const QString& caption);
    QString caption() const;

    // The scale as drawn: its interval and ticks.
    const QwtScaleDiv& scaleDiv() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateScale();

    DialFace* m_face;
    double m_minimum = 0.0;
    double m_maximum = 100.0;
    double m_value = 0.0;
};

} // namespace orvela
