#pragma once

#include "shortcut/KeyGrabber.h"
#include "shortcut/ShortcutService.h"

#include <QStringList>

#include <optional>

// Records what it is asked, refuses the key codes it is told to and takes every other one.
class FakeKeyGrabber : public KeyGrabber
{
public:
    explicit FakeKeyGrabber(Mechanism mechanism = Mechanism::keyGrab)
        : KeyGrabber(mechanism)
    {
    }

    bool grab(ShortcutId id, quint32 keyCode, quint32 carbonModifiers) override
    {
        calls.append(QStringLiteral("grab %1 %2 %3/%4")
                         .arg(keyCode)
                         .arg(carbonModifiers, 0, 16)
                         .arg(id.signature, 0, 16)
                         .arg(id.id));
        if (refusedKeyCodes.contains(keyCode))
            return false;
        held = id;
        return true;
    }

    void ungrab(ShortcutId id) override
    {
        calls.append(QStringLiteral("ungrab %1/%2").arg(id.signature, 0, 16).arg(id.id));
        if (held == id)
            held.reset();
    }

    /// The user pressed the shortcut.
    void press() { Q_EMIT pressed(ShortcutService::shortcutId); }
    /// The desktop says what it bound the shortcut to.
    void describe(const QString &trigger)
    {
        Q_EMIT triggerDescribed(ShortcutService::shortcutId, trigger);
    }

    QStringList calls;
    QList<quint32> refusedKeyCodes;
    std::optional<ShortcutId> held;
};
