#include "core/config/window_bounds.h"

#include <algorithm>
#include <cstdint>

namespace orvela {
namespace {

// Edges in 64 bits: a 32-bit corner plus a 32-bit size does not fit in 32.
struct Span
{
    std::int64_t first; // first pixel
    std::int64_t size;

    std::int64_t end() const { return first + size; }
};

std::int64_t overlap(const Span& a, const Span& b)
{
    return std::max<std::int64_t>(0, std::min(a.end(), b.end()) - std::max(a.first, b.first));
}

// Moves `span` (no larger than `area`) into `area` by as little as it takes.
std::int64_t moveInto(const Span& span, const Span& area)
{
    return std::clamp(span.first, area.first, area.end() - span.size);
}

} // namespace

settings::Bounds FitToScreens(const settings::Bounds& wanted, const std::vector<QRect>& screens)
{
    if (screens.empty())
        return wanted;
    QRect desktop;
    for (const QRect& screen : screens)
        desktop = desktop.united(screen);

    const std::int64_t width = std::clamp<std::int64_t>(wanted.width, 0, desktop.width());
    const std::int64_t height = std::clamp<std::int64_t>(wanted.height, 0, desktop.height());
    const Span across{wanted.left, width};
    const Span down{wanted.top, height};
    const std::int64_t gripAcross =
        std::min<std::int64_t>(std::max<std::int64_t>(width, 1), WindowGrip);
    const std::int64_t gripDown =
        std::min<std::int64_t>(std::max<std::int64_t>(height, 1), WindowGrip);

    settings::Bounds fitted = wanted;
    fitted.width = static_cast<std::int32_t>(width);
    fitted.height = static_cast<std::int32_t>(height);
    for (const QRect& screen : screens) {
        if (overlap(across, {screen.x(), screen.width()}) >= gripAcross &&
            overlap(down, {screen.y(), screen.height()}) >= gripDown)
            return fitted;
    }
    // Reached from nowhere: onto the primary screen, clipped to it in size as well.
    const QRect& primary = screens.front();
    const Span primaryAcross{primary.x(), primary.width()};
    const Span primaryDown{primary.y(), primary.height()};
    const Span onAcross{wanted.left, std::min<std::int64_t>(width, primary.width())};
    const Span onDown{wanted.top, std::min<std::int64_t>(height, primary.height())};
    fitted.width = static_cast<std::int32_t>(onAcross.size);
    fitted.height = static_cast<std::int32_t>(onDown.size);
    fitted.left = static_cast<std::int32_t>(moveInto(onAcross, primaryAcross));
    fitted.top = static_cast<std::int32_t>(moveInto(onDown, primaryDown));
    return fitted;
}

} // namespace orvela
