#include "TestWatcher.h"

#include "BusNameOwner.h"
#include "statusnotifierwatcheradaptor.h"

#include <QDBusMessage>
#include <QUuid>

using namespace Qt::StringLiterals;

static const QString watcherService = u"org.kde.StatusNotifierWatcher"_s;

TestWatcher::TestWatcher(Answer answer)
    : m_answer(answer)
    , m_connectionName(QUuid::createUuid().toString())
    , m_connection(QString())
{
    new StatusNotifierWatcherAdaptor(this);
}

TestWatcher::~TestWatcher()
{
    stop();
}

bool TestWatcher::start(QDBusConnectionInterface::ServiceReplacementOptions replacement,
                        QDBusConnectionInterface::ServiceQueueOptions queue)
{
    m_connection = QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName);
    if (!m_connection.isConnected()
        || !m_connection.registerObject(u"/StatusNotifierWatcher"_s, this,
                                        QDBusConnection::ExportAdaptors))
        return false;
    return changeBusNameOwner(QDBusConnection::sessionBus(), watcherService, [&] {
        const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
            m_connection.interface()->registerService(watcherService, queue, replacement);
        return reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
    });
}

void TestWatcher::stop()
{
    if (!m_connection.isConnected())
        return;
    m_connection.unregisterObject(u"/StatusNotifierWatcher"_s);
    // Leaving the bus gives the name up; the next case must not see that late.
    if (!changeBusNameOwner(QDBusConnection::sessionBus(), watcherService, [this] {
            QDBusConnection::disconnectFromBus(m_connectionName);
            return true;
        }))
        qWarning("the watcher's name was not seen released");
    m_connection = QDBusConnection(QString());
}

void TestWatcher::RegisterStatusNotifierItem(const QString &service)
{
    if (m_answer == Answer::Refuse) {
        sendErrorReply(QDBusError::AccessDenied, u"no items wanted"_s);
        return;
    }
    m_items.append(service);
    if (m_answer == Answer::Hold) {
        setDelayedReply(true);
        m_held.append(message().createReply());
    }
}

void TestWatcher::releaseAnswers()
{
    for (const QDBusMessage &reply : std::as_const(m_held))
        m_connection.send(reply);
    m_held.clear();
}
