#include "core/live/gauge_scale.h"

#include <algorithm>
#include <cmath>

namespace orvela {
namespace {

constexpr double LargestDrawn = 1e300;
// Ticks beyond this count are never asked for, even if the pixel rules would allow them.
constexpr double MaxMajorIntervals = 200.0;
constexpr double MaxMinorTicks = 2000.0;
// Major intervals of a scale whose preferred step was too coarse for it.
constexpr double FallbackIntervals = 4.0;

double Finite(double value, double fallback)
{
    if (!std::isfinite(value))
        return fallback;
    return std::clamp(value, -LargestDrawn, LargestDrawn);
}

// The smallest of 1, 2 or 5 times a power of ten that is at least `value` (> 0).
double NiceCeil(double value)
{
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
        if (factor * power >= value * (1.0 - 1e-12))
            return factor * power;
    }
    return 10.0 * power;
}

// The largest of 1, 2 or 5 times a power of ten that is below `value` (> 0).
double NiceBelow(double value)
{
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (const double factor : {5.0, 2.0, 1.0}) {
        if (factor * power < value * (1.0 - 1e-12))
            return factor * power;
    }
    return 0.5 * power;
}

// The ticks k × step inside [low, high], at most `limit` of them.
std::vector<double> Multiples(double low, double high, double step, double limit)
{
    std::vector<double> ticks;
    const double slack = 1e-9;
    const double first = std::ceil(low / step - slack);
    const double last = std::floor(high / step + slack);
    for (double k = first; k <= last && static_cast<double>(ticks.size()) < limit; k += 1.0) {
        double tick = k * step;
        if (std::fabs(tick) < step * slack)
            tick = 0.0;
        // Beyond the precision of doubles, k + 1 may give the same tick again: stop there.
        if (!ticks.empty() && tick <= ticks.back())
            break;
        ticks.push_back(tick);
    }
    return ticks;
}

} // namespace

double DrawnInterval::bounded(double value) const
{
    if (std::isnan(value))
        return value;
    return std::clamp(value, low(), high());
}

DrawnInterval DrawnIntervalFor(double minimum, double maximum)
{
    double start = Finite(minimum, Finite(maximum, 0.0));
    double end = Finite(maximum, start);
    if (start == end) {
        const double half = std::max(1.0, std::fabs(start) * 0.1);
        start = Finite(start - half, start);
        end = Finite(end + half, end);
    }
    return {start, end};
}

GaugeTicks LayoutGaugeTicks(const DrawnInterval& interval, const GaugeTickRules& rules)
{
    GaugeTicks result;
    result.interval = interval;
    const double low = interval.low();
    const double high = interval.high();
    const double span = high - low;
    if (!(span > 0.0) || !std::isfinite(span))
        return result;

    const double pixels = std::isfinite(rules.pixelSpan) ? std::max(rules.pixelSpan, 0.0) : 0.0;
    const double majorSpacing = std::max(rules.majorSpacing, 1.0);
    const double intervals = std::clamp(std::floor(pixels / majorSpacing), 1.0, MaxMajorIntervals);
    const double needed = span / intervals;

    double step = 0.0;
    if (rules.preferredStep > 0.0 && std::isfinite(rules.preferredStep)) {
        step = rules.preferredStep;
        if (needed > step)
            step *= NiceCeil(needed / step);
    }
    // No preferred step, or one so small that its multiples run beyond the doubles.
    if (!std::isfinite(step) || !(step > 0.0))
        step = NiceCeil(needed);
    if (rules.smallestStep > 0.0 && step < rules.smallestStep)
        step = rules.smallestStep;
    if (!std::isfinite(step) || !(step > 0.0))
        return result;
    result.major = Multiples(low, high, step, MaxMajorIntervals + 1.0);
    // A preferred step coarser than the whole scale would leave at most one label (a span of
    // 0 to 5 with a step of 20, or the narrow scale drawn for equal limits): a few 1-2-5 steps
    // label it instead.
    if (result.major.size() < 2 && rules.preferredStep > 0.0) {
        const double coarse = NiceCeil(span / std::min(intervals, FallbackIntervals));
        if (coarse < step && !(rules.smallestStep > 0.0 && coarse < rules.smallestStep)) {
            step = coarse;
            result.major = Multiples(low, high, step, MaxMajorIntervals + 1.0);
        }
    }
    const double pixelsPerUnit = pixels / span;
    // Two labels or fewer cannot be read as a scale: a finer 1-2-5 step that still keeps the
    // labels apart gives three; where none does, the ends themselves are labelled.
    if (result.major.size() < 3) {
        for (double finer = NiceBelow(step);
             finer * pixelsPerUnit >= majorSpacing &&
             !(rules.smallestStep > 0.0 && finer < rules.smallestStep);
             finer = NiceBelow(finer)) {
            std::vector<double> ticks = Multiples(low, high, finer, MaxMajorIntervals + 1.0);
            if (ticks.size() >= 3) {
                step = finer;
                result.major = std::move(ticks);
                break;
            }
        }
    }
    // Labels that can show any value (no smallest step) label the ends rather than fewer than
    // three ticks.
    if (result.major.size() < 3 && !(rules.smallestStep > 0.0) && pixels >= majorSpacing) {
        std::vector<double> ends{low};
        for (const double tick : result.major) {
            if ((tick - low) * pixelsPerUnit >= majorSpacing &&
                (high - tick) * pixelsPerUnit >= majorSpacing)
                ends.push_back(tick);
        }
        ends.push_back(high);
        result.major = std::move(ends);
    }
    result.majorStep = step;

    // Minor ticks: as many of the asked intervals as keep them apart; else half; else none.
    const double minorSpacing = std::max(rules.minorSpacing, 1.0);
    int minorIntervals = std::max(rules.minorIntervals, 0);
    if (minorIntervals > 1 && step / minorIntervals * pixelsPerUnit < minorSpacing)
        minorIntervals = step / 2.0 * pixelsPerUnit >= minorSpacing ? 2 : 0;
    if (minorIntervals < 2)
        return result;
    const double minorStep = step / minorIntervals;
    for (const double tick : Multiples(low, high, minorStep, MaxMinorTicks)) {
        const double onMajor = std::fabs(std::remainder(tick, step));
        // The ends, when labelled, need not be multiples of the step.
        const bool nearEnd = !result.major.empty() && result.major.front() == low &&
                             (tick - low < minorStep * 0.5 || high - tick < minorStep * 0.5);
        if (onMajor > minorStep * 0.5 && !nearEnd)
            result.minor.push_back(tick);
    }
    return result;
}

} // namespace orvela
