#pragma once

#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QSize>

#include <optional>

// The panel's size, which follows the height its content reports, and where it opens relative
// to the menu bar item. Screen coordinates have their origin top-left.
class PanelLayout
{
public:
    static constexpr int panelWidth = 330;
    static constexpr int initialHeight = 548;
    static constexpr int minimumHeight = 420;
    static constexpr int cornerRadius = 18;
    static constexpr int itemGap = 6;
    static constexpr int screenMargin = 8;
    static constexpr int iconExtent = 48;

    [[nodiscard]] QSize panelSize() const { return size; }
    [[nodiscard]] std::optional<int> measuredContentHeight() const { return measured; }

    /// Takes a height the content reports; returns whether the panel's size changed. Heights of
    /// zero or less and a repeat of the last height are ignored; the panel is never lower than
    /// the minimum.
    bool reportContentHeight(qreal height);

    /// Sets the height from the measured content height, else from the given fitting height;
    /// returns whether the size changed.
    bool refresh(qreal fittingHeight);

    /// The panel's top-left corner. Centred under the item and kept the margin inside the
    /// available geometry left and right; 6 points below the bar holding the item, or 6 points
    /// above it when the item sits in the lower half of its screen. A bar that reserves space
    /// ends where the available geometry begins; a point standing for the item (an empty
    /// rectangle) lies somewhere on a bar that reserves nothing, taken as reaching as far past
    /// the point as the point lies from the screen's edge. Without an item the panel goes to the
    /// right corner on the side where the desktop's bars reserve space, the top when none does.
    [[nodiscard]] static QPoint panelOrigin(const std::optional<QRectF> &item,
                                            const QRect &available, const QRect &screen,
                                            QSize panelSize);

    /// What a host's click point says of the item's place. Some hosts send coordinates local to
    /// the icon: a point within one icon of the screen's corner, on no bar and away from the
    /// pointer, cannot be the item's. Then the pointer stands for it where it is known.
    [[nodiscard]] static std::optional<QPoint> itemPoint(QPoint reported, const QRect &available,
                                                         const QRect &screen,
                                                         const std::optional<QPoint> &pointer);

private:
    bool setHeight(int height);

    QSize size{panelWidth, initialHeight};
    std::optional<int> measured;
};
