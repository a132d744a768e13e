#pragma once

#include <QFont>
#include <QStringList>

// The fonts of the panel. Sizes are in the design's points, which are device-independent
// pixels: the conversion to font points goes through the screen's logical DPI, so a text keeps
// the width the layout was made for whatever font DPI the desktop sets.
class AppFonts
{
public:
    AppFonts() = delete;

    /// The desktop's interface font, then the installed CJK fallbacks.
    [[nodiscard]] static QFont ui(qreal size, QFont::Weight weight);
    /// The desktop's serif font, then the installed CJK serif fallbacks.
    [[nodiscard]] static QFont serif(qreal size, QFont::Weight weight);

    /// Noto Sans CJK SC, Source Han Sans SC, WenQuanYi Micro Hei: those installed, in this order.
    [[nodiscard]] static QStringList cjkFallbackFamilies();

    /// The design size a font was made with.
    [[nodiscard]] static qreal designSize(const QFont &font);
    /// The height of one line. CJK fonts have tall ascents and descents; a line is kept to the
    /// height the Latin system fonts give, 1.2 of the size, and the glyphs are centred in it.
    [[nodiscard]] static qreal lineHeight(const QFont &font);
    /// The baseline's distance from the top of a line of lineHeight().
    [[nodiscard]] static qreal baseline(const QFont &font);
    /// The same font at a fraction of its size.
    [[nodiscard]] static QFont scaled(const QFont &font, qreal factor);

private:
    [[nodiscard]] static QFont make(const QStringList &families, qreal size, QFont::Weight weight);
};
