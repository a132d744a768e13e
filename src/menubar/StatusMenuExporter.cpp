#include "StatusMenuExporter.h"

#include "dbusmenuadaptor.h"

#include <QDBusMessage>

#include <algorithm>

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

struct KeyName
{
    quint32 keyCode;
    const char *name;
};

// Virtual key codes and the X keysym names hosts parse them by, by position on a US keyboard.
constexpr KeyName keyNameTable[] = {
    {0, "a"},
    {1, "s"},
    {2, "d"},
    {3, "f"},
    {4, "h"},
    {5, "g"},
    {6, "z"},
    {7, "x"},
    {8, "c"},
    {9, "v"},
    {11, "b"},
    {12, "q"},
    {13, "w"},
    {14, "e"},
    {15, "r"},
    {16, "y"},
    {17, "t"},
    {18, "1"},
    {19, "2"},
    {20, "3"},
    {21, "4"},
    {22, "6"},
    {23, "5"},
    {24, "equal"},
    {25, "9"},
    {26, "7"},
    {27, "minus"},
    {28, "8"},
    {29, "0"},
    {30, "bracketright"},
    {31, "o"},
    {32, "u"},
    {33, "bracketleft"},
    {34, "i"},
    {35, "p"},
    {36, "Return"},
    {37, "l"},
    {38, "j"},
    {39, "apostrophe"},
    {40, "k"},
    {41, "semicolon"},
    {42, "backslash"},
    {43, "comma"},
    {44, "slash"},
    {45, "n"},
    {46, "m"},
    {47, "period"},
    {48, "Tab"},
    {49, "space"},
    {50, "grave"},
    {51, "BackSpace"},
    {53, "Escape"},
    {65, "KP_Decimal"},
    {67, "KP_Multiply"},
    {69, "KP_Add"},
    {75, "KP_Divide"},
    {76, "KP_Enter"},
    {78, "KP_Subtract"},
    {81, "KP_Equal"},
    {82, "KP_0"},
    {83, "KP_1"},
    {84, "KP_2"},
    {85, "KP_3"},
    {86, "KP_4"},
    {87, "KP_5"},
    {88, "KP_6"},
    {89, "KP_7"},
    {91, "KP_8"},
    {92, "KP_9"},
    {114, "Insert"},
    {115, "Home"},
    {116, "Page_Up"},
    {117, "Delete"},
    {119, "End"},
    {121, "Page_Down"},
    {123, "Left"},
    {124, "Right"},
    {125, "Down"},
    {126, "Up"},
    {122, "F1"},
    {120, "F2"},
    {99, "F3"},
    {118, "F4"},
    {96, "F5"},
    {97, "F6"},
    {98, "F7"},
    {100, "F8"},
    {101, "F9"},
    {109, "F10"},
    {103, "F11"},
    {111, "F12"},
    {105, "F13"},
    {107, "F14"},
    {113, "F15"},
    {106, "F16"},
    {64, "F17"},
    {79, "F18"},
    {80, "F19"},
    {90, "F20"},
};

} // namespace

StatusMenuExporter::StatusMenuExporter(QObject *parent)
    : QObject(parent)
{
    registerStatusNotifierTypes();
    new DBusMenuAdaptor(this);
}

StatusMenuExporter::~StatusMenuExporter() = default;

QStringList StatusMenuExporter::keyNames(const HotKeyShortcut &shortcut)
{
    const auto *found = std::find_if(
        std::begin(keyNameTable), std::end(keyNameTable),
        [&shortcut](const KeyName &entry) { return entry.keyCode == shortcut.keyCode; });
    if (found == std::end(keyNameTable))
        return {};
    QStringList names;
    if (shortcut.carbonModifiers & HotKeyShortcut::controlModifier)
        names << u"Control"_s;
    if (shortcut.carbonModifiers & HotKeyShortcut::optionModifier)
        names << u"Alt"_s;
    if (shortcut.carbonModifiers & HotKeyShortcut::shiftModifier)
        names << u"Shift"_s;
    if (shortcut.carbonModifiers & HotKeyShortcut::commandModifier)
        names << u"Super"_s;
    names << QString::fromLatin1(found->name);
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

void StatusMenuExporter::setPanelShortcut(const std::optional<HotKeyShortcut> &shortcut)
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
