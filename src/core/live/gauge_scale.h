#pragma once

// The tick layout shared by the thermometer and dial gauges. The limits of a gauge may be any
// pair (equal, inverted, far apart); the layout always has a non-empty interval to draw and
// only as many ticks as fit the pixels of the scale.

#include <vector>

namespace orvela {

// The interval a gauge draws for its limits `minimum` (drawn at the scale's start) and
// `maximum` (at its end). Equal limits are widened to 10% of the value (at least 1) on either
// side; a limit that is not finite takes the other one's value (0 when neither is finite);
// limits beyond ±1e300 are drawn as ±1e300. The result keeps the order of the limits, so
// `start > end` for an inverted pair, and never has `start == end`.
struct DrawnInterval
{
    double start = 0.0;
    double end = 1.0;

    double low() const { return start < end ? start : end; }
    double high() const { return start < end ? end : start; }
    // `value` bounded to the interval; not-a-number stays not-a-number.
    double bounded(double value) const;
};
DrawnInterval DrawnIntervalFor(double minimum, double maximum);

struct GaugeTickRules
{
    // The preferred distance between major ticks in scale units; 0 picks a step of 1, 2 or 5
    // times a power of ten.
    double preferredStep = 0.0;
    // The smallest major step allowed (for labels with a fixed number of decimals); 0 for none.
    double smallestStep = 0.0;
    // Minor intervals in one major interval when they fit.
    int minorIntervals = 5;
    // Length of the scale in pixels.
    double pixelSpan = 0.0;
    // Closest distances, in pixels, between major ticks (room for a label) and minor ticks.
    double majorSpacing = 20.0;
    double minorSpacing = 3.0;
};

struct GaugeTicks
{
    DrawnInterval interval;
    double majorStep = 0.0;
    std::vector<double> major; // ascending
    std::vector<double> minor; // ascending, none on a major tick
};

// The ticks for a scale over `interval`. The major step is the preferred step, grown to the
// next 1-2-5 multiple of it while major ticks would be closer than `majorSpacing` pixels, or
// shrunk to a 1-2-5 step giving about four intervals when it would label at most one tick. A
// scale left with fewer than three major ticks takes the largest finer 1-2-5 step that gives
// three and keeps them `majorSpacing` apart; failing that, and without a smallest step, its two
// ends become major ticks. Minor ticks are left out (or halved in number) while closer than
// `minorSpacing`. The number of ticks is thus bounded by the pixel span, whatever the limits.
GaugeTicks LayoutGaugeTicks(const DrawnInterval& interval, const GaugeTickRules& rules);

} // namespace orvela
