#pragma once

// A dial gauge of the "Live Data" tab: a grey face with a 270-degree scale in white, blue
// colour zones over the first and the last third of the scale, a needle and a caption inside
// the dial.

#include <qwt_dial.h>

#include <QString>

#include <stdexcept>

namespace orvela {

// A refused dial limit. text() is the dial's message, "Value out of range.".
class GaugeRangeError : public std::runtime_error
{
public:
    GaugeRangeError();
    QString text() const;
};

class DialGauge : public QwtDial
{
    Q_OBJECT
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
    // value the needle points at.
    void setValue(double value);
    double value() const { return m_value; }
    double needleValue() const;

    void setCaption(const QString& caption);
    QString caption() const { return m_caption; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void drawScale(QPainter* painter, const QPointF& center, double radius) const override;
    void drawScaleContents(QPainter* painter, const QPointF& center, double radius) const override;

private:
    void updateScale();

    double m_minimum = 0.0;
    double m_maximum = 100.0;
    double m_value = 0.0;
    QString m_caption;
};

} // namespace orvela
