#pragma once

// The parts a graph's plot is made of: the time axis, divided at whole minutes, hours or days of
// local civil time; the value axis, in steps never finer than the smallest label step of 0.01;
// the legend box; the reading line with its markers; and the zoom rectangle of the first graph.
// The plot owns each part it is given.

#include <functional>

class QWidget;
class QwtLegend;
class QwtPlotCurve;
class QwtPlotZoomer;
class QwtScaleDraw;
class QwtScaleEngine;

namespace orvela {

inline constexpr int MarkerSize = 5;
// Markers closer than this (in pixels, centre to centre) would run into one another.
inline constexpr double MarkerSpacing = MarkerSize + 3;

QwtScaleEngine* NewTimeScaleEngine();
QwtScaleDraw* NewTimeScaleDraw();
QwtScaleEngine* NewValueScaleEngine();
QwtScaleDraw* NewValueScaleDraw();
// A box with a gradient from RGB(170, 213, 213) down to white and a grey shadow.
QwtLegend* NewSeriesLegend(QWidget* parent);
// The series: a blue line through every reading, which breaks where neighbouring readings lie
// further apart than `gapLimit` (in days), and blue diamonds where a reading stands apart from
// its neighbours.
QwtPlotCurve* NewReadingCurve(std::function<double()> gapLimit);
// Dragging a rectangle to the right zooms into it; dragging to the left runs `wholeWindow`.
QwtPlotZoomer* NewZoomRectangle(QWidget* canvas, std::function<void()> wholeWindow);

} // namespace orvela
