#include "NullKeyGrabber.h"

NullKeyGrabber::NullKeyGrabber(QObject *parent)
    : KeyGrabber(Mechanism::none, parent)
{
}

NullKeyGrabber::~NullKeyGrabber() = default;

bool NullKeyGrabber::grab(ShortcutId, quint32, quint32)
{
    return false;
}

void NullKeyGrabber::ungrab(ShortcutId)
{
}
