#pragma once

#include "StatusNotifierTypes.h"
#include "shortcut/Shortcut.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusVariant>
#include <QObject>

// The item's menu offered over com.canonical.dbusmenu, for hosts that draw the menu themselves
// instead of asking for it: "显示日历面板", a separator, "偏好设置…", a separator,
// "退出栖格日历", empty while the user has turned it off. Hosts that open the menu on a plain
// click leave the panel only here. Its
// members named as the protocol spells them are the interface's methods and properties.
class StatusMenuExporter : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_PROPERTY(uint Version READ version CONSTANT)
    Q_PROPERTY(QString TextDirection READ textDirection CONSTANT)
    Q_PROPERTY(QString Status READ status CONSTANT)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath CONSTANT)

public:
    enum ItemId : int
    {
        RootId = 0,
        PreferencesId = 1,
        SeparatorId = 2,
        QuitId = 3,
        ShowPanelId = 4,
        PanelSeparatorId = 5
    };

    explicit StatusMenuExporter(QObject *parent = nullptr);
    ~StatusMenuExporter() override;

    /// Exports the menu on a connection at a path; false when the path is taken.
    bool exportOn(const QDBusConnection &connection, const QString &path);

    /// The global shortcut shown beside "显示日历面板"; hosts are told of a change.
    void setPanelShortcut(const std::optional<Shortcut> &shortcut);

    /// A shortcut as dbusmenu gives it: the modifiers, then the key as GTK's accelerator parser
    /// names it ("Control", "comma"). Empty for a key without such a name.
    [[nodiscard]] static QStringList keyNames(const Shortcut &shortcut);

    /// Turning the menu off empties it and tells hosts, so that their next right click finds
    /// nothing to show and asks for the panel instead.
    void setEnabled(bool enabled);

    /// Counts the layout's changes.
    [[nodiscard]] uint revision() const { return m_revision; }
    /// The whole menu as GetLayout with every property gives it.
    [[nodiscard]] DBusMenuLayoutItem layout() const;

    [[nodiscard]] uint version() const { return 3; }
    [[nodiscard]] QString textDirection() const;
    [[nodiscard]] QString status() const;
    [[nodiscard]] QStringList iconThemePath() const { return {}; }

    // com.canonical.dbusmenu
    uint GetLayout(int parentId, int recursionDepth, const QStringList &propertyNames,
                   DBusMenuLayoutItem &layout);
    DBusMenuItemList GetGroupProperties(const QList<int> &ids, const QStringList &propertyNames);
    QDBusVariant GetProperty(int id, const QString &name);
    void Event(int id, const QString &eventId, const QDBusVariant &data, uint timestamp);
    QList<int> EventGroup(const DBusMenuEventList &events);
    bool AboutToShow(int id);
    QList<int> AboutToShowGroup(const QList<int> &ids, QList<int> &idErrors);

Q_SIGNALS:
    /// "显示日历面板" was chosen, or a host opened the menu while it is off.
    void showPanelChosen();
    void preferencesChosen();
    void quitChosen();

    // com.canonical.dbusmenu
    void ItemsPropertiesUpdated(const DBusMenuItemList &updatedProps,
                                const DBusMenuItemKeysList &removedProps);
    void LayoutUpdated(uint revision, int parent);
    void ItemActivationRequested(int id, uint timestamp);

private:
    [[nodiscard]] bool exists(int id) const;
    [[nodiscard]] QVariantMap properties(int id, const QStringList &names) const;
    [[nodiscard]] DBusMenuLayoutItem node(int id, int depth, const QStringList &names) const;
    [[nodiscard]] QList<int> childIds(int id) const;
    // Answers a call from the bus with an error for an id the menu does not have.
    void refuseUnknownId(int id);
    void handleEvent(int id, const QString &eventId);

    QStringList m_panelShortcut;
    uint m_revision = 1;
    bool m_enabled = true;
};
