#include "KeyGrabber.h"

#include "NullKeyGrabber.h"
#include "PortalKeyGrabber.h"
#include "X11KeyGrabber.h"
#include "shared/DesktopSession.h"

#include <QDBusConnection>
#include <QProcessEnvironment>

KeyGrabber::KeyGrabber(Mechanism mechanism, QObject *parent)
    : QObject(parent)
    , m_mechanism(mechanism)
{
}

KeyGrabber::~KeyGrabber() = default;

KeyGrabber::Mechanism KeyGrabber::mechanism() const
{
    return m_mechanism;
}

std::unique_ptr<KeyGrabber> KeyGrabber::create(QObject *parent)
{
    if (DesktopSession::isWayland(QProcessEnvironment::systemEnvironment())) {
        const QDBusConnection bus = QDBusConnection::sessionBus();
        if (PortalKeyGrabber::isOffered(bus))
            return std::make_unique<PortalKeyGrabber>(bus, parent);
        return std::make_unique<NullKeyGrabber>(parent);
    }
    if (X11KeyGrabber::isAvailable())
        return std::make_unique<X11KeyGrabber>(parent);
    return std::make_unique<NullKeyGrabber>(parent);
}
