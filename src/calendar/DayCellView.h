#pragma once

#include "holidays/HolidayService.h"

#include <QColor>
#include <QDateTime>
#include <QSizeF>
#include <QString>

#include <optional>

class QPainter;
class QRectF;

// One day of the month grid, built afresh from the view model for every cell on every rebuild:
// the day number over a subtitle line, a selection or today backdrop, an event dot under the
// text and a "休"/"班" badge beside the number (on the backdrop's corner when there is one).
struct DayCellView
{
    enum class Backdrop
    {
        none,
        selection,
        today
    };

    static constexpr qreal minimumHeight = 43;
    static constexpr qreal backdropHeight = 44;
    static constexpr qreal subtitleLineHeight = 13;
    static constexpr qreal lineSpacing = 1;
    static constexpr qreal dotDiameter = 3.5;
    /// Between the subtitle line and the dot, which has room of its own under the text.
    static constexpr qreal dotGap = 3;
    static constexpr qreal badgeSize = 8;
    static constexpr qreal badgePadding = 1.5;
    /// How far a badge on a backdrop reaches past its corner, clear of a two-digit number.
    static constexpr QSizeF badgeOverhang{2.5, 4};
    /// The colour text the selection gradient starts from.
    static constexpr QStringView selectionStartColor = u"#E75132";

    QDateTime date; // start of the day
    bool isCurrentMonth = false;
    bool isSelected = false;
    bool isToday = false;
    std::optional<QColor> dotColor;
    std::optional<QString> subtitle;
    /// The subtitle names a festival or a solar term.
    bool subtitleIsNamedDay = false;
    HolidayService::Arrangement arrangement = HolidayService::Arrangement::none;
    qreal selectionWidth = 40;
    qreal selectionCornerRadius = 14;

    /// Selection first, then today.
    [[nodiscard]] Backdrop backdrop() const;
    /// Selected and today's cells carry no dot.
    [[nodiscard]] bool showsDot() const;
    /// The subtitle, or one space so that every cell keeps the line.
    [[nodiscard]] QString subtitleText() const;
    /// The day of the month, unpadded.
    [[nodiscard]] QString dayNumberText() const;

    /// Day number line, spacing and subtitle line.
    [[nodiscard]] qreal textBlockHeight() const;
    /// The text block and the dot's room under it, centred in the cell.
    [[nodiscard]] qreal contentHeight() const;
    /// At least 43; 44 with a backdrop, which is taller than the minimum.
    [[nodiscard]] qreal naturalHeight() const;

    /// Draws the cell centred in `cell`, which is its column's width and its row's height.
    void paint(QPainter &painter, const QRectF &cell) const;

    /// The day number's line box in `cell`; what lines up with the day numbers of a row.
    [[nodiscard]] QRectF dayNumberRect(const QRectF &cell) const;

private:
    // Where the other parts go in `cell`; the dot's and the badge's are empty when not drawn.
    [[nodiscard]] QRectF subtitleRect(const QRectF &cell) const;
    [[nodiscard]] QRectF dotRect(const QRectF &cell) const;
    [[nodiscard]] QRectF badgeRect(const QRectF &cell) const;
};
