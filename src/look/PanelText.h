#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QPainter;
class QRectF;

// One line of text drawn the way the panel's labels are: centred vertically in a line box of
// AppFonts::lineHeight(), first shrunk toward a minimum scale when it is too wide, then cut
// with an ellipsis.
class PanelText
{
public:
    PanelText() = delete;

    [[nodiscard]] static qreal width(const QFont &font, const QString &text);

    /// The font the text is drawn with in `available` width: the given one, or a smaller one
    /// down to `minimumScale` of its size.
    [[nodiscard]] static QFont fittingFont(const QFont &font, const QString &text, qreal available,
                                           qreal minimumScale);

    static void draw(QPainter &painter, const QRectF &rect, const QString &text, const QFont &font,
                     const QColor &color, Qt::Alignment alignment = Qt::AlignLeft,
                     qreal minimumScale = 1.0);
};
