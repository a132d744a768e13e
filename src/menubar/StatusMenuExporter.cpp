#include "StatusMenuExporter.h"

#include "dbusmenuadaptor.h"
#include "shortcut/VirtualKeyMap.h"

#include <QDBusMessage>

using namespace Qt::StringLiterals;

namespace {

const QString labelProperty = u"label"_s;
const QString typeProperty = u"type"_s;
const QString enabledProperty = u"enabled"_s;
const QString visibleProperty = u"visible"_s;
const QString shortcutProperty = u"shortcut"_s;
const QString childrenDisplayProperty = u"children-display"_s;

QVariant shortcut(const QStringList &keys)
{
    return QVariant::fromValue(QList<QStringList>{keys});
}

} // namespace

StatusMenuExporter::StatusMenuExporter(QObject *parent)
    : QObject(parent)
{
    registerStatusNotifierTypes();
    new DBusMenuAdaptor(this);
}

StatusMenuExporter::~StatusMenuExporter() = default;

QStringList StatusMenuExporter::keyNames(const Shortcut &shortcut)
{
    const auto key = VirtualKeyMap::keySymbolName(shortcut.keyCode);
    if (!key)
        return {};
    QStringList names;
    if (shortcut.carbonModifiers & Shortcut::controlModifier)
        names << u"Control"_s;
    if (shortcut.carbonModifiers & Shortcut::optionModifier)
        names << u"Alt"_s;
    if (shortcut.carbonModifiers & Shortcut::shiftModifier)
        names << u"Shift"_s;
    if (shortcut.carbonModifiers & Shortcut::commandModifier)
        names << u"Super"_s;
    names << *key;
    return names;
}

void StatusMenuExporter::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    ++m_revision;
    Q_EMIT LayoutUpdated(m_revision, RootId);
}

void StatusMenuExporter::setPanelShortcut(const std::optional<Shortcut> &shortcut)
{
    const QStringList names = shortcut ? keyNames(*shortcut) : QStringList();
    if (names == m_panelShortcut)
        return;
    m_panelShortcut = names;
    if (names.isEmpty())
        Q_EMIT ItemsPropertiesUpdated({}, {{ShowPanelId, {shortcutProperty}}});
    else
        Q_EMIT ItemsPropertiesUpdated({{ShowPanelId, properties(ShowPanelId, {shortcutProperty})}},
                                      {});
}

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
    else if (id == RootId && !m_enabled)
        QMetaObject::invokeMethod(this, &StatusMenuExporter::showPanelChosen, Qt::QueuedConnection);
    return false;
}

QList<int> StatusMenuExporter::AboutToShowGroup(const QList<int> &ids, QList<int> &idErrors)
{
    idErrors.clear();
    for (const int id : ids) {
        if (!exists(id))
            idErrors.append(id);
    }
    if (ids.contains(RootId) && !m_enabled)
        QMetaObject::invokeMethod(this, &StatusMenuExporter::showPanelChosen, Qt::QueuedConnection);
    return {};
}

bool StatusMenuExporter::exists(int id) const
{
    return id == RootId || childIds(RootId).contains(id);
}

QList<int> StatusMenuExporter::childIds(int id) const
{
    if (id != RootId || !m_enabled)
        return {};
    return {ShowPanelId, PanelSeparatorId, PreferencesId, SeparatorId, QuitId};
}

QVariantMap StatusMenuExporter::properties(int id, const QStringList &names) const
{
    QVariantMap all;
    switch (id) {
    case RootId:
        all = {{childrenDisplayProperty, u"submenu"_s}};
        break;
    case ShowPanelId:
        all = {
            {labelProperty, u"显示日历面板"_s}, {enabledProperty, true}, {visibleProperty, true}};
        if (!m_panelShortcut.isEmpty())
            all.insert(shortcutProperty, shortcut(m_panelShortcut));
        break;
    case PreferencesId:
        all = {{labelProperty, u"偏好设置…"_s},
               {enabledProperty, true},
               {visibleProperty, true},
               {shortcutProperty, shortcut({u"Control"_s, u"comma"_s})}};
        break;
    case PanelSeparatorId:
    case SeparatorId:
        all = {{typeProperty, u"separator"_s}, {visibleProperty, true}};
        break;
    case QuitId:
        all = {{labelProperty, u"退出栖格日历"_s},
               {enabledProperty, true},
               {visibleProperty, true},
               {shortcutProperty, shortcut({u"Control"_s, u"q"_s})}};
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
    if (id == ShowPanelId)
        QMetaObject::invokeMethod(this, &StatusMenuExporter::showPanelChosen, Qt::QueuedConnection);
    else if (id == PreferencesId)
        QMetaObject::invokeMethod(this, &StatusMenuExporter::preferencesChosen,
                                  Qt::QueuedConnection);
    else if (id == QuitId)
        QMetaObject::invokeMethod(this, &StatusMenuExporter::quitChosen, Qt::QueuedConnection);
}
