#pragma once

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QSignalSpy>
#include <QTest>

// Claims or releases a bus name on one connection (`change` returns whether it did) and returns
// once `observer`, the connection the code under test uses, has seen the name's new owner. A
// name change that the observer has not seen yet reaches it later and overrides what it learnt
// meanwhile ("name had owner … but we thought it was …"): a fake of a later case would then
// talk to an observer that ignores it.
template<typename Change>
[[nodiscard]] bool changeBusNameOwner(const QDBusConnection &observer, const QString &name,
                                      Change change)
{
    QDBusServiceWatcher watcher(name, observer, QDBusServiceWatcher::WatchForOwnerChange);
    QSignalSpy changes(&watcher, &QDBusServiceWatcher::serviceOwnerChanged);
    const QString before = observer.interface()->serviceOwner(name).value();
    if (!change())
        return false;
    const QString after = observer.interface()->serviceOwner(name).value();
    if (after == before)
        return true;
    return QTest::qWaitFor(
        [&] { return !changes.isEmpty() && changes.constLast().at(2).toString() == after; });
}
