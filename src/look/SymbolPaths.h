#pragma once

#include <QPainterPath>
#include <QRectF>

// The two small symbols the panel shows, as filled outlines of our own drawing that scale with
// the text beside them.
class SymbolPaths
{
public:
    SymbolPaths() = delete;

    /// A keyboard: a rounded body with two rows of keys and a space bar; its box is wider than
    /// tall (about 1.45 : 1).
    [[nodiscard]] static QPainterPath keyboard(const QRectF &box, qreal strokeWidth);
    /// A gear: eight teeth around a ring with an open centre, in a square box.
    [[nodiscard]] static QPainterPath gearshape(const QRectF &box, qreal strokeWidth);

    /// The box a symbol takes beside text of the given size.
    [[nodiscard]] static QSizeF keyboardSize(qreal textSize);
    [[nodiscard]] static QSizeF gearshapeSize(qreal textSize);
};
