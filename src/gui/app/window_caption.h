#pragma once

// The main window's caption: the title, the mark a running refresh adds to it, and the shutdown
// caption. The desktop shows the caption exactly as set.

#include <QString>

class QWidget;

namespace orvela {

class WindowCaption
{
public:
    static const QString UpdatingSuffix;  // " ....Updating data"
    static const QString ShutdownCaption; // "*** Shutting Down Orvela ... Please Wait ***"

    explicit WindowCaption(QWidget& window) : m_window(window) {}

    void set(const QString& caption);
    const QString& text() const { return m_caption; }
    // Marks the caption while a refresh runs and puts back the one it had before.
    void markRefreshing(bool refreshing);
    // A new title; during a refresh the mark stays and the refresh puts the new title back.
    void setTitle(const QString& title, bool refreshing);
    void setShutdown() { set(ShutdownCaption); }

private:
    QWidget& m_window;
    QString m_caption;
    QString m_beforeRefresh;
};

} // namespace orvela
