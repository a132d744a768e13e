#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>

#include <array>

// The item's icon: a calendar page with today's day number. Hosts that ignore the text label
// show only this, squeezed into a square, so it has to read at 16 pixels.
class StatusItemIcon
{
public:
    StatusItemIcon() = delete;

    /// The pixel sizes handed to hosts, which pick the nearest to their panel.
    static constexpr std::array<int, 6> sizes{16, 22, 24, 32, 48, 64};

    /// The page's header band.
    [[nodiscard]] static QColor accentColor();
    /// The day number's colour.
    [[nodiscard]] static QColor numberColor();

    /// The page at size × size pixels; a day outside 1-31 leaves the page blank.
    [[nodiscard]] static QImage render(int day, int size);
    /// The page at every size of `sizes`.
    [[nodiscard]] static QIcon icon(int day);

    /// The height of the header band at a size, in whole pixels.
    [[nodiscard]] static int headerHeight(int size);
};
