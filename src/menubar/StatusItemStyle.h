#pragma once

#include <QColor>
#include <QFont>

// How the menu bar text looks wherever this program draws it itself.
class StatusItemStyle
{
public:
    StatusItemStyle() = delete;

    /// The text size in the design's points, which are logical pixels.
    static constexpr qreal titleFontSize = 13.0;

    /// The desktop's fixed-width font at titleFontSize, medium weight, with a fixed-width CJK
    /// family behind it for the date's characters.
    [[nodiscard]] static QFont titleFont();
    /// Near-white, the same on light and dark bars.
    [[nodiscard]] static QColor titleColor();
};
