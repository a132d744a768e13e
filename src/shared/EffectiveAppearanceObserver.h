#pragma once

#include "AppAppearanceMode.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

class DesktopColorScheme;

// Reports the appearance, light or dark, that a view is drawn in while it follows the desktop, so
// that the theme can follow the desktop too. It reports when the view is shown, when the desktop's
// colour scheme or the view's palette changes, and at every update(), each time one pass of the
// event loop later and only while the view exists. Equal reports are repeated; the receiver
// drops what it does not need.
class EffectiveAppearanceObserver : public QObject
{
    Q_OBJECT
public:
    using ChangeHandler = std::function<void(ColorScheme appearance)>;

    EffectiveAppearanceObserver(QWidget *view, DesktopColorScheme &desktop,
                                QObject *parent = nullptr);
    ~EffectiveAppearanceObserver() override;

    void setOnChange(ChangeHandler onChange);
    /// Takes the current handler and reports again.
    void update(ChangeHandler onChange);

    /// The appearance the view is drawn in when it follows the desktop.
    [[nodiscard]] ColorScheme effectiveAppearance() const;

    /// Reports on the next pass of the event loop.
    void reportCurrentAppearance();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_view;
    DesktopColorScheme &m_desktop;
    ChangeHandler m_onChange;
};
