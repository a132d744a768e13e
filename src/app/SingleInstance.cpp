#include "SingleInstance.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

using namespace Qt::StringLiterals;

SingleInstance::SingleInstance(QDBusConnection connection, QObject *parent)
    : QObject(parent)
    , connection(std::move(connection))
{
}

SingleInstance::~SingleInstance() = default;

SingleInstance::Outcome SingleInstance::claimOrForward(Request request)
{
    if (!connection.isConnected() || !connection.interface() || claim())
        return Outcome::primary;

    const QString service = QString::fromLatin1(serviceName);
    const QString method = request == Request::toggle        ? u"Toggle"_s
                           : request == Request::preferences ? u"ShowPreferences"_s
                                                             : u"Show"_s;
    const QDBusMessage call = QDBusMessage::createMethodCall(
        service, QString::fromLatin1(objectPath), QString::fromLatin1(serviceName), method);
    const QDBusMessage answer = connection.call(call, QDBus::BlockWithGui, 2000);
    if (answer.type() != QDBusMessage::ErrorMessage)
        return Outcome::forwarded;
    // The holder may have been quitting: then this process takes its place.
    return claim() ? Outcome::primary : Outcome::unanswered;
}

bool SingleInstance::claim()
{
    const auto reply = connection.interface()->registerService(
        QString::fromLatin1(serviceName), QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered)
        return false;
    connection.registerObject(QString::fromLatin1(objectPath), this,
                              QDBusConnection::ExportScriptableSlots);
    return true;
}

SingleInstance::Request SingleInstance::requestFor(const QString &argument)
{
    if (argument == "--toggle"_L1)
        return Request::toggle;
    if (argument == "--preferences"_L1)
        return Request::preferences;
    return Request::show;
}

void SingleInstance::Show()
{
    Q_EMIT showRequested();
}

void SingleInstance::Toggle()
{
    Q_EMIT toggleRequested();
}

void SingleInstance::ShowPreferences()
{
    Q_EMIT preferencesRequested();
}
