#include "gui/app/window_places.h"

#include "core/config/settings_store.h"
#include "core/config/window_bounds.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cmath>

namespace orvela {
namespace {

// Waits for the first size of any of the pages and then hands the page's room at the window's
// design size to the panels, once.
class PageRoomWatch final : public QObject
{
public:
    PageRoomWatch(QWidget& window, QSize designSize, QSize designRoom, DesignPlaces places,
                  std::initializer_list<QWidget*> pages)
        : QObject(&window), m_window(window), m_designSize(designSize), m_designRoom(designRoom),
          m_places(std::move(places)), m_pages(pages)
    {
        for (QWidget* page : m_pages)
            page->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize && !m_done) {
            const auto* page = static_cast<QWidget*>(watched);
            // The frame round the page does not change with the window's size. A page is
            // first laid out empty while the tab control sets itself up: that size is not one.
            const QSize room = page->size() + (m_designSize - m_window.size());
            if (!page->size().isEmpty() && room.width() > 0 && room.height() > 0) {
                m_done = true;
                for (QWidget* other : m_pages)
                    other->removeEventFilter(this);
                PlacePanels(m_places, static_cast<double>(room.width()) / m_designRoom.width(),
                            static_cast<double>(room.height()) / m_designRoom.height());
                deleteLater();
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget& m_window;
    QSize m_designSize;
    QSize m_designRoom;
    DesignPlaces m_places;
    std::vector<QWidget*> m_pages;
    bool m_done = false;
};

// The available area of every screen, the primary one first.
std::vector<QRect> availableScreens()
{
    std::vector<QRect> areas;
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        areas.push_back(primary->availableGeometry());
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen != QGuiApplication::primaryScreen())
            areas.push_back(screen->availableGeometry());
    }
    return areas;
}

} // namespace

void PlacePanels(const DesignPlaces& places, double scaleX, double scaleY)
{
    for (const auto& [widget, at] : places) {
        const int left = static_cast<int>(std::lround(at.left() * scaleX));
        const int top = static_cast<int>(std::lround(at.top() * scaleY));
        const int right = static_cast<int>(std::lround((at.left() + at.width()) * scaleX));
        const int bottom = static_cast<int>(std::lround((at.top() + at.height()) * scaleY));
        widget->setGeometry(left, top, right - left, bottom - top);
    }
}

void FitPanelsOnce(QWidget& window, QSize designSize, QSize designRoom, DesignPlaces places,
                   std::initializer_list<QWidget*> pages)
{
    new PageRoomWatch(window, designSize, designRoom, std::move(places), pages);
}

void WaitUntilExposed(const QWidget& window, std::chrono::milliseconds limit)
{
    const auto exposed = [&window] {
        const QWindow* handle = window.windowHandle();
        return handle != nullptr && handle->isExposed();
    };
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(limit);
    while (!exposed() && deadline.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents |
                                        QEventLoop::ExcludeUserInputEvents);
}

void CentreOnScreen(QWidget& window)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
}

void ApplyStoredBounds(QWidget& window, const SettingsStore& store, const QString& section,
                       const settings::Bounds& defaults)
{
    namespace keys = settings;
    const keys::Bounds wanted{store.readInteger(section, keys::Top, defaults.top),
                              store.readInteger(section, keys::Left, defaults.left),
                              store.readInteger(section, keys::Height, defaults.height),
                              store.readInteger(section, keys::Width, defaults.width)};
    bool stored = false;
    for (const QLatin1String key : {keys::Top, keys::Left, keys::Height, keys::Width})
        stored = stored || store.contains(section, key);
    const keys::Bounds bounds = stored ? FitToScreens(wanted, availableScreens()) : wanted;
    window.move(bounds.left, bounds.top);
    window.resize(bounds.width, bounds.height);
}

void StoreBounds(SettingsStore& store, const QString& section, const QWidget& window)
{
    namespace keys = settings;
    const QRect frame = window.frameGeometry();
    store.writeInteger(section, keys::Top, frame.top());
    store.writeInteger(section, keys::Left, frame.left());
    store.writeInteger(section, keys::Height, window.height());
    store.writeInteger(section, keys::Width, window.width());
}

} // namespace orvela
