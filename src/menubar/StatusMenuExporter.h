#pragma once

#include "StatusNotifierTypes.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusVariant>
#include <QObject>

// The item's menu offered over com.canonical.dbusmenu, for hosts that draw the menu themselves
// instead of asking for it: "偏好设置…", a separator, "退出栖格日历". Its members named as
// the protocol spells them are the interface's methods and properties.
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
        QuitId = 3
    };

    explicit StatusMenuExporter(QObject *parent = nullptr);
    ~StatusMenuExporter() override;

    /// Exports the menu on a connection at a path; false when the path is taken.
    bool exportOn(const QDBusConnection &connection, const QString &path);

    /// The layout never changes, so its revision stays the first.
    [[nodiscard]] uint revision() const { return 1; }
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
};
