#pragma once

#include "shared/AppAppearanceMode.h"

#include <QColor>
#include <QStringView>

#include <functional>
#include <optional>

// The application's colours: named roles with a light and a dark value, and the rule that picks
// one. Nothing is cached, so a view redrawn after an appearance change sees the new values.
// The state is global and belongs to the main thread; changing it notifies no one.
class AppTheme
{
public:
    AppTheme() = delete;

    /// The user's choice; system follows the desktop.
    [[nodiscard]] static AppAppearanceMode appearanceMode();
    static void setAppearanceMode(AppAppearanceMode mode);

    /// Whether the desktop asks for dark; asked from the desktop on first read.
    [[nodiscard]] static bool systemPrefersDarkAppearance();
    static void setSystemPrefersDarkAppearance(bool dark);

    /// Re-reads the desktop's preference.
    static void refreshSystemAppearance();
    /// Takes the appearance a view reports it is drawn in.
    static void refreshSystemAppearance(ColorScheme effective);

    /// Answers whether the desktop prefers dark. Used for the first read and by
    /// refreshSystemAppearance(); an empty function restores the default, which asks
    /// DesktopColorScheme::query(). The next read asks the new source.
    using SystemAppearanceSource = std::function<bool()>;
    static void setSystemAppearanceSource(SystemAppearanceSource source);

    /// True when the dark column applies: mode dark, or mode system with the desktop dark.
    [[nodiscard]] static bool isDark();

    [[nodiscard]] static QColor panelBackground();
    [[nodiscard]] static QColor cellBackground();
    [[nodiscard]] static QColor todayBackground();
    [[nodiscard]] static QColor primaryText();
    [[nodiscard]] static QColor secondaryText();
    [[nodiscard]] static QColor tertiaryText();
    [[nodiscard]] static QColor glassWarmTop();
    [[nodiscard]] static QColor glassWarmBottom();
    [[nodiscard]] static QColor glassStroke();
    [[nodiscard]] static QColor surfaceFill();
    [[nodiscard]] static QColor surfaceFillStrong();
    [[nodiscard]] static QColor surfaceFillMuted();
    [[nodiscard]] static QColor surfaceShadow();
    [[nodiscard]] static QColor surfaceStroke();
    [[nodiscard]] static QColor onAccentText();
    [[nodiscard]] static QColor onAccentTextMuted();
    [[nodiscard]] static QColor onAccentStroke();
    [[nodiscard]] static QColor accent();
    [[nodiscard]] static QColor accentSoft();

    /// An opaque sRGB colour from a colour text such as "#C05621". Anything that is not a letter
    /// or digit (of any script) is dropped from both ends; the rest must be exactly six
    /// hexadecimal digits in either case. There is no short, alpha or "0x" form.
    [[nodiscard]] static std::optional<QColor> color(QStringView hex);
};
