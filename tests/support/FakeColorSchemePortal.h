#pragma once

#include "shared/ColorSchemePortal.h"

// The desktop's colour-scheme setting in the test's hands: nothing means no portal at all.
class FakeColorSchemePortal : public ColorSchemePortal
{
public:
    explicit FakeColorSchemePortal(std::optional<quint32> initial = std::nullopt)
        : value(initial)
    {
    }

    std::optional<quint32> readColorScheme() override
    {
        ++reads;
        return value;
    }

    /// The user changed the setting; the portal says so.
    void announce(quint32 newValue)
    {
        value = newValue;
        Q_EMIT colorSchemeChanged(newValue);
    }

    std::optional<quint32> value;
    int reads = 0;
};
