#pragma once

// Where the main window and its panels go: the panels of the tab pages fitted once to the room
// the pages have, the window's bounds from the configuration fitted to the screens, and the
// first show that waits until the window is on the screen.

#include "core/config/settings_keys.h"
#include "gui/widgets/position_tab.h"

#include <QRect>
#include <QSize>

#include <chrono>
#include <initializer_list>
#include <utility>
#include <vector>

class QWidget;

namespace orvela {

class SettingsStore;

// Places each panel at its design rectangle scaled by the factors, each edge on its own, so
// panels that meet still meet.
void PlacePanels(const DesignPlaces& places, double scaleX = 1.0, double scaleY = 1.0);

// Once the first of `pages` has a size, scales `places` from `designRoom` to the room a page has
// at the window's design size (the room depends on the style's menu bar, tab bar and frames) and
// places them; resizing the window never moves them after that.
void FitPanelsOnce(QWidget& window, QSize designSize, QSize designRoom, DesignPlaces places,
                   std::initializer_list<QWidget*> pages);

// Processes events (all but input) until the window is exposed, which paints it, or until
// `limit` has passed, whichever comes first.
void WaitUntilExposed(const QWidget& window, std::chrono::milliseconds limit);

// Centres the window on the primary screen.
void CentreOnScreen(QWidget& window);

// Bounds from the file are fitted to the screens before the window takes them. A section that
// holds none of them leaves the window at its own bounds (the design size at the first start).
void ApplyStoredBounds(QWidget& window, const SettingsStore& store, const QString& section,
                       const settings::Bounds& defaults);
// The window's frame position and its size without the frame.
void StoreBounds(SettingsStore& store, const QString& section, const QWidget& window);

} // namespace orvela
