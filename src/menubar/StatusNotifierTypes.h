#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QDBusVariant>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class QImage;

// The structures that the tray protocols put on the bus, with their marshalling.

/// One icon image: ARGB32 pixels, four bytes each in network byte order, row by row.
struct StatusNotifierIconPixmap
{
    int width = 0;
    int height = 0;
    QByteArray bytes;

    /// The image converted to the wire form.
    [[nodiscard]] static StatusNotifierIconPixmap fromImage(const QImage &image);
    /// The wire form back as an image; a null image when the byte count does not fit the size.
    [[nodiscard]] QImage toImage() const;

    friend bool operator==(const StatusNotifierIconPixmap &,
                           const StatusNotifierIconPixmap &) = default;
};
using StatusNotifierIconPixmaps = QList<StatusNotifierIconPixmap>;

struct StatusNotifierToolTip
{
    QString iconName;
    StatusNotifierIconPixmaps iconPixmaps;
    QString title;
    QString description;

    friend bool operator==(const StatusNotifierToolTip &, const StatusNotifierToolTip &) = default;
};

/// A menu node as GetLayout returns it; the children go on the bus as variants.
struct DBusMenuLayoutItem
{
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayoutItem> children;
};

struct DBusMenuItem
{
    int id = 0;
    QVariantMap properties;
};
using DBusMenuItemList = QList<DBusMenuItem>;

struct DBusMenuItemKeys
{
    int id = 0;
    QStringList properties;
};
using DBusMenuItemKeysList = QList<DBusMenuItemKeys>;

struct DBusMenuEvent
{
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
using DBusMenuEventList = QList<DBusMenuEvent>;

QDBusArgument &operator<<(QDBusArgument &argument, const StatusNotifierIconPixmap &pixmap);
const QDBusArgument &operator>>(const QDBusArgument &argument, StatusNotifierIconPixmap &pixmap);
QDBusArgument &operator<<(QDBusArgument &argument, const StatusNotifierToolTip &toolTip);
const QDBusArgument &operator>>(const QDBusArgument &argument, StatusNotifierToolTip &toolTip);
QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenuLayoutItem &item);
const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenuLayoutItem &item);
QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenuItem &item);
const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenuItem &item);
QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenuItemKeys &item);
const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenuItemKeys &item);
QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenuEvent &event);
const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenuEvent &event);

/// Registers every type above with QtDBus; safe to call more than once.
void registerStatusNotifierTypes();

Q_DECLARE_METATYPE(StatusNotifierIconPixmap)
Q_DECLARE_METATYPE(StatusNotifierToolTip)
Q_DECLARE_METATYPE(DBusMenuLayoutItem)
Q_DECLARE_METATYPE(DBusMenuItem)
Q_DECLARE_METATYPE(DBusMenuItemKeys)
Q_DECLARE_METATYPE(DBusMenuEvent)
