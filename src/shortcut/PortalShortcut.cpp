#include "PortalShortcut.h"

#include <QDBusMetaType>

using namespace Qt::StringLiterals;

void PortalShortcut::registerDBusTypes()
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
}

QList<PortalShortcut> PortalShortcut::listFrom(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<QList<PortalShortcut>>())
        return value.value<QList<PortalShortcut>>();
    if (value.metaType() != QMetaType::fromType<QDBusArgument>())
        return {};
    const auto argument = value.value<QDBusArgument>();
    if (argument.currentSignature() != "a(sa{sv})"_L1)
        return {};
    return qdbus_cast<QList<PortalShortcut>>(argument);
}

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}
