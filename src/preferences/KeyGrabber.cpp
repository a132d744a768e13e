#include "KeyGrabber.h"

#include "NullKeyGrabber.h"
#include "X11KeyGrabber.h"

KeyGrabber::KeyGrabber(QObject *parent)
    : QObject(parent)
{
}

KeyGrabber::~KeyGrabber() = default;

std::unique_ptr<KeyGrabber> KeyGrabber::create(QObject *parent)
{
    if (X11KeyGrabber::isAvailable())
        return std::make_unique<X11KeyGrabber>(parent);
    return std::make_unique<NullKeyGrabber>(parent);
}
