#pragma once

#include "shared/ColorSchemePortal.h"

// A desktop that answers with the colour scheme the test sets (0 none, 1 dark, 2 light).
class FakeColorSchemePortal : public ColorSchemePortal
{
public:
    quint32 value = 2;
    std::optional<quint32> readColorScheme() override { return value; }
    void announce(quint32 newValue)
    {
        value = newValue;
        Q_EMIT colorSchemeChanged(newValue);
    }
};
