#pragma once

#include <QByteArray>
#include <QString>

class QProcessEnvironment;

// The Qt platform the windows run on, decided from the environment before the application object
// exists. In a Wayland session the compositor places windows itself, so the panel could not open
// next to the item; through XWayland it can.
struct PlatformChoice
{
    /// The platform to ask Qt for; empty leaves the choice to Qt (or to the user's
    /// QT_QPA_PLATFORM).
    QByteArray platform;
    /// One line for the log saying what is lost in this session; empty when nothing is.
    QString loss;

    [[nodiscard]] static PlatformChoice forEnvironment(const QProcessEnvironment &environment);

    friend bool operator==(const PlatformChoice &, const PlatformChoice &) = default;
};
