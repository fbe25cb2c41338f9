#pragma once

// The benchmarks show the real window on the offscreen platform, which says at every window that
// it cannot pass size hints on: a line that tells nothing about the figures around it. Every
// other message goes on to the toolkit's own handler.

#include <QtGlobal>

namespace orvela::bench {

inline QtMessageHandler& PlatformHandler()
{
    static QtMessageHandler handler = nullptr;
    return handler;
}

inline void QuietOffscreenPlatform()
{
    PlatformHandler() = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (message == QLatin1String("This plugin does not support propagateSizeHints()"))
                return;
            PlatformHandler()(type, context, message);
        });
}

} // namespace orvela::bench
