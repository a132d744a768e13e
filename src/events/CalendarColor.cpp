#include "CalendarColor.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

std::optional<int> hexDigits(QStringView text)
{
    bool ok = false;
    const uint value = text.toUInt(&ok, 16);
    if (!ok)
        return std::nullopt;
    return int(value);
}

// Rounds half away from zero and keeps the result a two-digit byte, so that an extended-range
// component cannot produce a longer text.
int toByte(float component)
{
    return std::clamp(int(std::lround(double(component) * 255.0)), 0, 255);
}

} // namespace

std::optional<QColor> CalendarColor::parse(QStringView text)
{
    text = text.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    const bool hashed = text.startsWith(u'#');
    const QStringView digits = hashed ? text.mid(1) : text;
    const bool allHex = std::all_of(digits.begin(), digits.end(), [](QChar ch) {
        return ch.isDigit() || (ch.toLower() >= u'a' && ch.toLower() <= u'f');
    });
    if (allHex && (hashed || digits.size() >= 6)) {
        if (hashed && digits.size() == 3) {
            const auto value = hexDigits(digits);
            return QColor(((*value >> 8) & 0xF) * 17, ((*value >> 4) & 0xF) * 17,
                          (*value & 0xF) * 17);
        }
        if (digits.size() == 6 || digits.size() == 8) {
            const auto rgb = hexDigits(digits.first(6));
            return QColor((*rgb >> 16) & 0xFF, (*rgb >> 8) & 0xFF, *rgb & 0xFF);
        }
        return std::nullopt;
    }
    if (hashed)
        return std::nullopt;
    const QString name = text.toString().toLower();
    if (!QColor::isValidColorName(name))
        return std::nullopt;
    const QColor color = QColor::fromString(name);
    if (!color.isValid() || color.alpha() == 0)
        return std::nullopt;
    return color;
}

std::optional<QString> CalendarColor::hexText(const QColor &color)
{
    if (!color.isValid())
        return std::nullopt;
    const QColor rgb = color.toRgb();
    if (!rgb.isValid())
        return std::nullopt;
    return u"#%1%2%3"_s.arg(toByte(rgb.redF()), 2, 16, QChar(u'0'))
        .arg(toByte(rgb.greenF()), 2, 16, QChar(u'0'))
        .arg(toByte(rgb.blueF()), 2, 16, QChar(u'0'))
        .toUpper();
}

QString CalendarColor::hexTextOrFallback(const std::optional<QColor> &color)
{
    if (color) {
        if (auto text = hexText(*color))
            return *std::move(text);
    }
    return QString::fromUtf16(fallbackHex);
}
