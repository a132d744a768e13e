#include "DesktopSession.h"

#include <QProcessEnvironment>

using namespace Qt::StringLiterals;

bool DesktopSession::isWayland(const QProcessEnvironment &environment)
{
    return !environment.value(u"WAYLAND_DISPLAY"_s).isEmpty()
           || environment.value(u"XDG_SESSION_TYPE"_s) == "wayland"_L1;
}

bool DesktopSession::hasXServer(const QProcessEnvironment &environment)
{
    return !environment.value(u"DISPLAY"_s).isEmpty();
}
