#pragma once

// The ticks LayoutGaugeTicks chose for a gauge, as the toolkit's division of its drawn interval.

#include "core/live/gauge_scale.h"

#include <qwt_scale_div.h>

#include <QList>

namespace orvela {

inline QwtScaleDiv GaugeScaleDiv(const DrawnInterval& drawn, const GaugeTicks& ticks)
{
    QList<double> lists[QwtScaleDiv::NTickTypes];
    for (const double tick : ticks.minor)
        lists[QwtScaleDiv::MinorTick].append(tick);
    for (const double tick : ticks.major)
        lists[QwtScaleDiv::MajorTick].append(tick);
    return QwtScaleDiv(drawn.start, drawn.end, lists);
}

} // namespace orvela
