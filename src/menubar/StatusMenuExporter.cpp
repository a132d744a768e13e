#include "StatusMenuExporter.h"

#include "dbusmenuadaptor.h"

#include <QDBusMessage>

using namespace Qt::StringLiterals;

namespace {

const QString labelProperty = u"label"_s;
const QString typeProperty = u"type"_s;
const QString enabledProperty = u"enabled"_s;
const QString visibleProperty = u"visible"_s;
const QString shortcutProperty = u"shortcut"_s;
const QString childrenDisplayProperty = u"children-display"_s;

QVariant shortcut(const QString &key)
{
    return QVariant::fromValue(QList<QStringList>{{u"Control"_s, key}});
}

} // namespace

StatusMenuExporter::StatusMenuExporter(QObject *parent)
    : QObject(parent)
{
    registerStatusNotifierTypes();
    new DBusMenuAdaptor(this);
}

StatusMenuExporter::~StatusMenuExporter() = default;

bool StatusMenuExporter::exportOn(const QDBusConnection &connection, const QString &path)
{
    QDBusConnection bus(connection);
    return bus.registerObject(path, this, QDBusConnection::ExportAdaptors);
}

DBusMenuLayoutItem StatusMenuExporter::layout() const
{
    return node(RootId, -1, {});
}

QString StatusMenuExporter::textDirection() const
{
    return u"ltr"_s;
}

QString StatusMenuExporter::status() const
{
    return u"normal"_s;
}

uint StatusMenuExporter::GetLayout(int parentId, int recursionDepth,
                                   const QStringList &propertyNames, DBusMenuLayoutItem &layout)
{
    if (!exists(parentId)) {
        refuseUnknownId(parentId);
        return revision();
    }
    layout = node(parentId, recursionDepth, propertyNames);
    return revision();
}

DBusMenuItemList StatusMenuExporter::GetGroupProperties(const QList<int> &ids,
                                                        const QStringList &propertyNames)
{
    // An empty list asks for every item.
    const QList<int> wanted = ids.isEmpty() ? QList<int>{RootId} + childIds(RootId) : ids;
    DBusMenuItemList items;
    for (const int id : wanted) {
        if (exists(id))
            items.append({id, properties(id, propertyNames)});
    }
    return items;
}

QDBusVariant StatusMenuExporter::GetProperty(int id, const QString &name)
{
    if (!exists(id)) {
        refuseUnknownId(id);
        return {};
    }
    return QDBusVariant(properties(id, {name}).value(name));
}

void StatusMenuExporter::Event(int id, const QString &eventId, const QDBusVariant &data,
                               uint timestamp)
{
    Q_UNUSED(data);
    Q_UNUSED(timestamp);
    if (!exists(id)) {
        refuseUnknownId(id);
        return;
    }
    handleEvent(id, eventId);
}

QList<int> StatusMenuExporter::EventGroup(const DBusMenuEventList &events)
{
    QList<int> idErrors;
    for (const DBusMenuEvent &event : events) {
        if (exists(event.id))
            handleEvent(event.id, event.eventId);
        else
            idErrors.append(event.id);
    }
    return idErrors;
}

bool StatusMenuExporter::AboutToShow(int id)
{
    if (!exists(id))
        refuseUnknownId(id);
    return false;
}

QList<int> StatusMenuExporter::AboutToShowGroup(const QList<int> &ids, QList<int> &idErrors)
{
    idErrors.clear();
    for (const int id : ids) {
        if (!exists(id))
            idErrors.append(id);
    }
    return {};
}

bool StatusMenuExporter::exists(int id) const
{
    return id == RootId || childIds(RootId).contains(id);
}

QList<int> StatusMenuExporter::childIds(int id) const
{
    if (id != RootId)
        return {};
    return {PreferencesId, SeparatorId, QuitId};
}

QVariantMap StatusMenuExporter::properties(int id, const QStringList &names) const
{
    QVariantMap all;
    switch (id) {
    case RootId:
        all = {{childrenDisplayProperty, u"submenu"_s}};
        break;
    case PreferencesId:
        all = {{labelProperty, u"偏好设置…"_s},
               {enabledProperty, true},
               {visibleProperty, true},
               {shortcutProperty, shortcut(u","_s)}};
        break;
    case SeparatorId:
        all = {{typeProperty, u"separator"_s}, {visibleProperty, true}};
        break;
    case QuitId:
        all = {{labelProperty, u"退出栖格日历"_s},
               {enabledProperty, true},
               {visibleProperty, true},
               {shortcutProperty, shortcut(u"q"_s)}};
        break;
    default:
        break;
    }
    if (names.isEmpty())
        return all;
    QVariantMap chosen;
    for (const QString &name : names) {
        if (const auto found = all.constFind(name); found != all.cend())
            chosen.insert(name, *found);
    }
    return chosen;
}

DBusMenuLayoutItem StatusMenuExporter::node(int id, int depth, const QStringList &names) const
{
    DBusMenuLayoutItem item{id, properties(id, names), {}};
    // A negative depth means the whole subtree.
    if (depth != 0) {
        for (const int child : childIds(id))
            item.children.append(node(child, depth - 1, names));
    }
    return item;
}

void StatusMenuExporter::refuseUnknownId(int id)
{
    if (calledFromDBus())
        sendErrorReply(QDBusError::InvalidArgs, u"No menu item with the id %1"_s.arg(id));
}

void StatusMenuExporter::handleEvent(int id, const QString &eventId)
{
    if (eventId != "clicked"_L1)
        return;
    // Queued: the choice may quit or open a window, which must not happen inside the bus call.
    if (id == PreferencesId)
        QMetaObject::invokeMethod(this, &StatusMenuExporter::preferencesChosen,
                                  Qt::QueuedConnection);
    else if (id == QuitId)
        QMetaObject::invokeMethod(this, &StatusMenuExporter::quitChosen, Qt::QueuedConnection);
}
