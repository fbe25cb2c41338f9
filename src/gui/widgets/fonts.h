#pragma once

// The windows' one typeface, Arial, at a height in pixels.

#include <QFont>

namespace orvela {

inline QFont ArialPixels(int pixels, bool bold = false)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    if (bold)
        font.setBold(true);
    return font;
}

} // namespace orvela
