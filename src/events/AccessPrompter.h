#pragma once

#include "CalendarStore.h"

#include <QObject>

#include <functional>
#include <optional>

// Asks the user whether the application may read a kind of calendar item.
class AccessPrompter
{
public:
    virtual ~AccessPrompter() = default;

    /// Shows the question; `answer` runs once with the user's choice, or with nothing when the
    /// question could not be asked. It does not run once `context` is gone.
    virtual void ask(CalendarEntityType type, QObject *context,
                     std::function<void(std::optional<bool> allowed)> answer) = 0;

protected:
    AccessPrompter() = default;
};
