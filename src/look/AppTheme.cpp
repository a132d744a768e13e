#include "AppTheme.h"

#include "shared/DesktopColorScheme.h"

#include <utility>

namespace {

struct ThemeState
{
    AppAppearanceMode mode = AppAppearanceMode::system;
    std::optional<bool> systemPrefersDark;
    AppTheme::SystemAppearanceSource source;
};

ThemeState &state()
{
    static ThemeState theme;
    return theme;
}

bool askDesktop()
{
    const auto &source = state().source;
    return source ? source() : DesktopColorScheme::query() == ColorScheme::dark;
}

// A palette entry: a colour text, with an opacity laid over the parsed colour.
struct Swatch
{
    QStringView hex;
    qreal opacity = 1.0;
};

struct Role
{
    Swatch light;
    Swatch dark;
};

constexpr QStringView white = u"#FFFFFF";
constexpr QStringView black = u"#000000";

QColor resolve(const Role &role)
{
    const Swatch &swatch = AppTheme::isDark() ? role.dark : role.light;
    QColor color = AppTheme::color(swatch.hex).value_or(QColor());
    color.setAlphaF(swatch.opacity);
    return color;
}

constexpr Role glassStrokeRole{{white, 0.72}, {white, 0.1}};

// Only ASCII digits and A-F count, whatever else QChar considers a digit.
int hexDigitValue(char32_t c)
{
    if (c >= U'0' && c <= U'9')
        return int(c - U'0');
    if (c >= U'A' && c <= U'F')
        return int(c - U'A') + 10;
    if (c >= U'a' && c <= U'f')
        return int(c - U'a') + 10;
    return -1;
}

qsizetype codePointLengthAt(QStringView text, qsizetype i)
{
    return text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
}

qsizetype codePointLengthBefore(QStringView text, qsizetype end)
{
    return text[end - 1].isLowSurrogate() && end >= 2 && text[end - 2].isHighSurrogate() ? 2 : 1;
}

// One code point; a lone surrogate is no letter.
bool isLetterOrNumber(QStringView codePoint)
{
    const char32_t c = codePoint.size() == 2 ? QChar::surrogateToUcs4(codePoint[0], codePoint[1])
                                             : char32_t(codePoint[0].unicode());
    return QChar::isLetterOrNumber(c);
}

} // namespace

AppAppearanceMode AppTheme::appearanceMode()
{
    return state().mode;
}

void AppTheme::setAppearanceMode(AppAppearanceMode mode)
{
    state().mode = mode;
}

bool AppTheme::systemPrefersDarkAppearance()
{
    auto &theme = state();
    if (!theme.systemPrefersDark)
        theme.systemPrefersDark = askDesktop();
    return *theme.systemPrefersDark;
}

void AppTheme::setSystemPrefersDarkAppearance(bool dark)
{
    state().systemPrefersDark = dark;
}

void AppTheme::refreshSystemAppearance()
{
    state().systemPrefersDark = askDesktop();
}

void AppTheme::refreshSystemAppearance(ColorScheme effective)
{
    state().systemPrefersDark = effective == ColorScheme::dark;
}

void AppTheme::setSystemAppearanceSource(SystemAppearanceSource source)
{
    state().source = std::move(source);
    // What the old source said is no answer of the new one.
    state().systemPrefersDark.reset();
}

bool AppTheme::isDark()
{
    switch (appearanceMode()) {
    case AppAppearanceMode::dark:
        return true;
    case AppAppearanceMode::light:
        return false;
    case AppAppearanceMode::system:
        break;
    }
    return systemPrefersDarkAppearance();
}

QColor AppTheme::panelBackground()
{
    return resolve({{u"#F3F0EA"}, {u"#1F1D1B"}});
}

QColor AppTheme::cellBackground()
{
    return resolve({{white, 0.44}, {white, 0.08}});
}

QColor AppTheme::todayBackground()
{
    return resolve({{u"#E8D9C8"}, {u"#4A332B"}});
}

QColor AppTheme::primaryText()
{
    return resolve({{u"#252421"}, {u"#F1EDE7"}});
}

QColor AppTheme::secondaryText()
{
    return resolve({{u"#686D70"}, {u"#A7A29C"}});
}

// The lighter grey on light and the darker grey on dark: the faintest text in both.
QColor AppTheme::tertiaryText()
{
    return resolve({{u"#A9AFB4"}, {u"#74706A"}});
}

QColor AppTheme::glassWarmTop()
{
    return resolve({{u"#FFF9F1"}, {u"#2A2622"}});
}

QColor AppTheme::glassWarmBottom()
{
    return resolve({{u"#EEF3F2"}, {u"#181716"}});
}

QColor AppTheme::glassStroke()
{
    return resolve(glassStrokeRole);
}

QColor AppTheme::surfaceFill()
{
    return resolve({{white, 0.4}, {white, 0.08}});
}

QColor AppTheme::surfaceFillStrong()
{
    return resolve({{white, 0.64}, {white, 0.14}});
}

QColor AppTheme::surfaceFillMuted()
{
    return resolve({{white, 0.26}, {white, 0.05}});
}

QColor AppTheme::surfaceShadow()
{
    return resolve({{black, 0.035}, {black, 0.22}});
}

QColor AppTheme::surfaceStroke()
{
    return resolve(glassStrokeRole);
}

QColor AppTheme::onAccentText()
{
    return resolve({{white}, {white}});
}

QColor AppTheme::onAccentTextMuted()
{
    return resolve({{white, 0.9}, {white, 0.9}});
}

QColor AppTheme::onAccentStroke()
{
    return resolve({{white, 0.26}, {white, 0.26}});
}

QColor AppTheme::accent()
{
    return resolve({{u"#C1462D"}, {u"#C1462D"}});
}

QColor AppTheme::accentSoft()
{
    return resolve({{u"#DFA28F"}, {u"#8D5A4C"}});
}

std::optional<QColor> AppTheme::color(QStringView hex)
{
    // Trimmed by code point, so a letter outside the BMP is seen as the letter it is.
    qsizetype begin = 0;
    while (begin < hex.size()) {
        const qsizetype length = codePointLengthAt(hex, begin);
        if (isLetterOrNumber(hex.sliced(begin, length)))
            break;
        begin += length;
    }
    qsizetype end = hex.size();
    while (end > begin) {
        const qsizetype length = codePointLengthBefore(hex, end);
        if (isLetterOrNumber(hex.sliced(end - length, length)))
            break;
        end -= length;
    }

    // Six characters that are all ASCII hex digits are six UTF-16 units; any other text of six
    // characters holds a non-digit and fails below either way.
    const QStringView digits = hex.sliced(begin, end - begin);
    if (digits.size() != 6)
        return std::nullopt;
    quint32 value = 0;
    for (const QChar c : digits) {
        const int digit = hexDigitValue(c.unicode());
        if (digit < 0)
            return std::nullopt;
        value = value << 4 | quint32(digit);
    }
    return QColor::fromRgb(int(value >> 16 & 0xFF), int(value >> 8 & 0xFF), int(value & 0xFF));
}
