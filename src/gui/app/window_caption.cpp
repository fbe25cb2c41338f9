#include "gui/app/window_caption.h"

#include <QWidget>

namespace orvela {

const QString WindowCaption::UpdatingSuffix = QStringLiteral(" ....Updating data");
const QString WindowCaption::ShutdownCaption =
    QStringLiteral("*** Shutting Down Orvela ... Please Wait ***");

void WindowCaption::set(const QString& caption)
{
    m_caption = caption;
    // The toolkit reads "[*]" in a title as the place of a modified mark and drops it; doubled,
    // it stands for itself.
    QString title = caption;
    title.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
    m_window.setWindowTitle(title);
}

void WindowCaption::markRefreshing(bool refreshing)
{
    if (refreshing) {
        m_beforeRefresh = m_caption;
        set(m_beforeRefresh + UpdatingSuffix);
    } else {
        set(m_beforeRefresh);
    }
}

void WindowCaption::setTitle(const QString& title, bool refreshing)
{
    set(title);
    if (refreshing) {
        m_beforeRefresh = title;
        set(title + UpdatingSuffix);
    }
}

} // namespace orvela
