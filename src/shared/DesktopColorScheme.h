#pragma once

#include "AppAppearanceMode.h"
#include "ColorSchemePortal.h"

#include <QObject>

#include <memory>

// The desktop's light or dark preference, followed while the program runs. The portal's
// "color-scheme" decides when a portal answers (1 is dark; 0, no preference, and 2 are light);
// without one, the lightness of the application palette's window colour decides.
//
// Nothing here writes AppTheme: whoever follows the system appearance connects
// colorSchemeChanged() to the settings side's refreshSystemAppearance(ColorScheme), which
// updates the theme only while the mode is system and then asks the views to redraw.
class DesktopColorScheme : public QObject
{
    Q_OBJECT

public:
    /// Follows the portal on the session bus.
    explicit DesktopColorScheme(QObject *parent = nullptr);
    explicit DesktopColorScheme(std::unique_ptr<ColorSchemePortal> portal,
                                QObject *parent = nullptr);
    ~DesktopColorScheme() override;

    /// The last known preference.
    [[nodiscard]] ColorScheme colorScheme() const { return m_scheme; }

    /// Asks again; emits colorSchemeChanged() when the answer differs.
    ColorScheme refresh();

    /// One reading from the session bus portal, else from the palette.
    [[nodiscard]] static ColorScheme query();
    /// Dark exactly for the portal value 1.
    [[nodiscard]] static ColorScheme fromPortalValue(quint32 value);
    /// From the lightness of the application palette's window colour; light when there is no
    /// QGuiApplication.
    [[nodiscard]] static ColorScheme paletteColorScheme();

Q_SIGNALS:
    void colorSchemeChanged(ColorScheme scheme);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    [[nodiscard]] ColorScheme read();
    void apply(ColorScheme scheme);

    std::unique_ptr<ColorSchemePortal> m_portal;
    bool m_portalAnswered = false;
    ColorScheme m_scheme = ColorScheme::light;
};
