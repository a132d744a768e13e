#pragma once

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

// One element of the desktop portal's shortcut lists (D-Bus a(sa{sv})): the shortcut's id and its
// properties ("description", "preferred_trigger", "trigger_description").
struct PortalShortcut
{
    QString id;
    QVariantMap properties;

    /// Makes the shortcut and its list known to QtDBus; calling it again does no harm.
    static void registerDBusTypes();
    /// The list a message argument or result value carries; empty when it carries none.
    [[nodiscard]] static QList<PortalShortcut> listFrom(const QVariant &value);
};

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcut &shortcut);
const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcut &shortcut);

Q_DECLARE_METATYPE(PortalShortcut)
