#include "DesktopColorScheme.h"

#include "DBusColorSchemePortal.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPalette>

DesktopColorScheme::DesktopColorScheme(QObject *parent)
    : DesktopColorScheme(std::make_unique<DBusColorSchemePortal>(), parent)
{
}

DesktopColorScheme::DesktopColorScheme(std::unique_ptr<ColorSchemePortal> portal, QObject *parent)
    : QObject(parent)
    , m_portal(std::move(portal))
{
    Q_ASSERT(m_portal);
    m_scheme = read();
    connect(m_portal.get(), &ColorSchemePortal::colorSchemeChanged, this, [this](quint32 value) {
        m_portalAnswered = true;
        apply(fromPortalValue(value));
    });
    connect(m_portal.get(), &ColorSchemePortal::availabilityChanged, this,
            &DesktopColorScheme::refresh);
    // Qt 6.4 tells of a new application palette only by an event to the application object;
    // a filter there sees every event, and lets each pass after one comparison.
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        app->installEventFilter(this);
}

DesktopColorScheme::~DesktopColorScheme() = default;

ColorScheme DesktopColorScheme::refresh()
{
    apply(read());
    return m_scheme;
}

ColorScheme DesktopColorScheme::query()
{
    // QtDBus needs the application object for its connections.
    if (!QCoreApplication::instance())
        return ColorScheme::light;
    if (const auto value = DBusColorSchemePortal::read(QDBusConnection::sessionBus()))
        return fromPortalValue(*value);
    return paletteColorScheme();
}

ColorScheme DesktopColorScheme::fromPortalValue(quint32 value)
{
    return value == 1 ? ColorScheme::dark : ColorScheme::light;
}

ColorScheme DesktopColorScheme::paletteColorScheme()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return ColorScheme::light;
    const QColor window = QGuiApplication::palette().color(QPalette::Window);
    return window.lightnessF() < 0.5 ? ColorScheme::dark : ColorScheme::light;
}

bool DesktopColorScheme::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ApplicationPaletteChange && watched == QCoreApplication::instance()
        && !m_portalAnswered) {
        apply(paletteColorScheme());
    }
    return QObject::eventFilter(watched, event);
}

ColorScheme DesktopColorScheme::read()
{
    const auto value = m_portal->readColorScheme();
    m_portalAnswered = value.has_value();
    return value ? fromPortalValue(*value) : paletteColorScheme();
}

void DesktopColorScheme::apply(ColorScheme scheme)
{
    if (scheme == m_scheme)
        return;
    m_scheme = scheme;
    Q_EMIT colorSchemeChanged(scheme);
}
