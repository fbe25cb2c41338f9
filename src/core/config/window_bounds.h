#pragma once

// Window bounds from the configuration file, fitted to the screens of this start. A file may
// hold any 32-bit values (edited by hand, or saved on a desk with a larger or a second screen):
// a window as large as 2147483647 pixels costs gigabytes of memory for an image nobody sees, and
// one placed beyond every screen cannot be reached.

#include "core/config/settings_keys.h"

#include <QRect>

#include <vector>

namespace orvela {

// How much of a window must lie on one screen for it to count as on that screen: enough to
// grab it by its title and drag it.
inline constexpr int WindowGrip = 48;

// `wanted` is the window's outer top-left corner and its inner height and width; `screens` the
// available area of each screen, the primary one first. The result is no larger than the
// desktop (the area all screens span, never less than nothing) and keeps at least a grip on
// some screen; a window that had none is moved onto the primary screen as little as it takes.
// Without screens the bounds stay as they are.
settings::Bounds FitToScreens(const settings::Bounds& wanted, const std::vector<QRect>& screens);

} // namespace orvela
