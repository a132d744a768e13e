#pragma once

#include <QColor>
#include <QString>
#include <QStringView>

#include <optional>

// Calendar colours as calendar files write them, and the "#RRGGBB" text form the views read.
namespace CalendarColor {

/// The colour used where a calendar has none.
inline constexpr char16_t fallbackHex[] = u"#C05621";

/// Reads "#RGB", "#RRGGBB", "#RRGGBBAA" (alpha ignored; Apple and vdirsyncer write it) and the
/// CSS colour names of RFC 7986; nothing for anything else.
[[nodiscard]] std::optional<QColor> parse(QStringView text);

/// "#" and six upper-case hexadecimal digits of the colour in sRGB; nothing for an invalid colour.
[[nodiscard]] std::optional<QString> hexText(const QColor &color);

/// hexText() of the colour, or the fallback when there is none.
[[nodiscard]] QString hexTextOrFallback(const std::optional<QColor> &color);

} // namespace CalendarColor
