#pragma once

#include "NewCalendarEvent.h"
#include "shared/WriteFailure.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

#include <functional>

// Runs a write off the main thread, where a slow disk or a calendar server cannot freeze the
// panel. Back on the main thread `landed` lets the owner take the result in (skipped once the
// owner is gone), then `done` gets it (skipped once `context` is gone).
inline void writeInBackground(QObject *owner, QObject *context,
                              std::function<CalendarWriteResult()> work,
                              std::function<void(const CalendarWriteResult &)> landed,
                              std::function<void(CalendarWriteResult)> done)
{
    QThreadPool::globalInstance()->start(
        [ownerGuard = QPointer<QObject>(owner),
         contextGuard = QPointer<QObject>(context ? context : owner), work = std::move(work),
         landed = std::move(landed), done = std::move(done)] {
            CalendarWriteResult result = work();
            if (!QCoreApplication::instance())
                return;
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [ownerGuard, contextGuard, landed, done, result] {
                    if (ownerGuard && landed)
                        landed(result);
                    if (contextGuard && done)
                        done(result);
                },
                Qt::QueuedConnection);
        });
}

// Answers, later as a write would, that a calendar cannot be written.
inline void refuseReadOnlyWrite(QObject *owner, QObject *context, const QString &calendarId,
                                std::function<void(CalendarWriteResult)> done)
{
    writeInBackground(
        owner, context,
        [calendarId] {
            return CalendarWriteResult{
                {}, calendarId, WriteFailure::text(WriteFailure::Reason::readOnly)};
        },
        {}, std::move(done));
}
