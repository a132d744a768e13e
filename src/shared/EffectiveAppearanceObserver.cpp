#include "EffectiveAppearanceObserver.h"

#include "DesktopColorScheme.h"

#include <QEvent>
#include <QTimer>

EffectiveAppearanceObserver::EffectiveAppearanceObserver(QWidget *view, DesktopColorScheme &desktop,
                                                         QObject *parent)
    : QObject(parent)
    , m_view(view)
    , m_desktop(desktop)
{
    if (view)
        view->installEventFilter(this);
    connect(&desktop, &DesktopColorScheme::colorSchemeChanged, this,
            &EffectiveAppearanceObserver::reportCurrentAppearance);
}

EffectiveAppearanceObserver::~EffectiveAppearanceObserver() = default;

void EffectiveAppearanceObserver::setOnChange(ChangeHandler onChange)
{
    m_onChange = std::move(onChange);
}

void EffectiveAppearanceObserver::update(ChangeHandler onChange)
{
    setOnChange(std::move(onChange));
    reportCurrentAppearance();
}

ColorScheme EffectiveAppearanceObserver::effectiveAppearance() const
{
    return m_desktop.colorScheme();
}

void EffectiveAppearanceObserver::reportCurrentAppearance()
{
    QTimer::singleShot(0, this, [this] {
        if (m_view && m_onChange)
            m_onChange(effectiveAppearance());
    });
}

bool EffectiveAppearanceObserver::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::PaletteChange:
        case QEvent::ThemeChange:
            reportCurrentAppearance();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}
