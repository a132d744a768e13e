#include "PlatformChoice.h"

#include "shared/DesktopSession.h"

#include <QProcessEnvironment>

using namespace Qt::StringLiterals;

PlatformChoice PlatformChoice::forEnvironment(const QProcessEnvironment &environment)
{
    if (!environment.value(u"QT_QPA_PLATFORM"_s).isEmpty()
        || !DesktopSession::isWayland(environment))
        return {};
    if (DesktopSession::hasXServer(environment))
        return {"xcb"_ba, {}};
    return {{},
            u"Wayland session without XWayland: the compositor places the calendar panel itself, "
            "so it may not open next to the menu bar item"_s};
}
