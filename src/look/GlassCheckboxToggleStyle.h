#pragma once

#include <QSize>
#include <QString>

class QPainter;
class QRectF;

// The look of every check box of the preferences: a rounded square at the leading edge, filled
// with the accent and ticked when on, then the label and an optional second line under it.
class GlassCheckboxToggleStyle
{
public:
    GlassCheckboxToggleStyle() = delete;

    static constexpr qreal boxSize = 16;
    static constexpr qreal boxCornerRadius = 5;
    static constexpr qreal labelSpacing = 8;
    static constexpr qreal labelSize = 13.5;
    static constexpr qreal subtitleSize = 11;

    struct State
    {
        bool isOn = false;
        bool isEnabled = true;
    };

    static void paint(QPainter &painter, const QRectF &rect, State state, const QString &label,
                      const QString &subtitle = {});
    [[nodiscard]] static QSize sizeHint(const QString &label, const QString &subtitle = {});
};
