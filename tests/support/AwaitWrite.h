#pragma once

#include "events/EventStoreService.h"

#include <QTest>

#include <optional>

// The answer to a write that `start` begins with the callback it is given; "no answer" when none
// comes in time.
inline CalendarWriteResult
awaitWrite(const std::function<void(EventStoreService::WriteDone)> &start)
{
    std::optional<CalendarWriteResult> answer;
    start([&answer](CalendarWriteResult result) { answer = result; });
    if (!QTest::qWaitFor([&answer] { return answer.has_value(); }, 20000))
        return {{}, {}, QStringLiteral("no answer")};
    return *answer;
}
