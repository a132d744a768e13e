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

    [[nodiscard]] QSize panelSize() const { return size; }
    [[nodiscard]] std::optional<int> measuredContentHeight() const { return measured; }

    /// Takes a height the content reports; returns whether the panel's size changed. Heights of
    /// zero or less and a repeat of the last height are ignored; the panel is never lower than
    /// the minimum.
    bool reportContentHeight(qreal height);

    /// Sets the height from the measured content height, else from the given fitting height;
    /// returns whether the size changed.
    bool refresh(qreal fittingHeight);

    /// The panel's top-left corner: centred under the item, at least the margin inside the
    /// available geometry left and right, 6 points below the bar holding the item, or 6 points
    /// above it when the item sits in the lower half of its screen. The item may be a point
    /// standing for its place (an empty rectangle).
    [[nodiscard]] static QPoint panelOrigin(const QRectF &item, const QRect &available,
                                            const QRect &screen, QSize panelSize);

private:
    bool setHeight(int height);

    QSize size{panelWidth, initialHeight};
    std::optional<int> measured;
};
