#pragma once

#include "StatusItem.h"

#include <QDBusConnection>

#include <functional>
#include <memory>

class ShellTopBarItem;
class StatusNotifierItem;

// The item the controller holds. It shows itself as the button of our GNOME Shell extension
// while that serves, else as a StatusNotifierItem while a watcher has it registered, and as the
// fallback (a plain tray icon) while there is no watcher or the watcher refused it, moving
// between them as the extension and watchers come and go.
class StatusItemHost : public StatusItem
{
    Q_OBJECT

public:
    enum class Backend
    {
        ShellTopBar,
        StatusNotifier,
        Fallback
    };
    Q_ENUM(Backend)

    /// Where the StatusNotifierItem lives: on the given connection, or on one of its own that
    /// is closed while the extension serves, so that watchers drop the item.
    enum class ItemBus
    {
        Shared,
        Own
    };

    using FallbackFactory = std::function<std::unique_ptr<StatusItem>()>;

    /// On the session bus, with a QSystemTrayIcon as the fallback.
    explicit StatusItemHost(QObject *parent = nullptr);
    StatusItemHost(const QDBusConnection &connection, FallbackFactory makeFallback,
                   ItemBus itemBus = ItemBus::Shared, QObject *parent = nullptr);
    ~StatusItemHost() override;

    [[nodiscard]] Backend backend() const { return m_backend; }
    /// The StatusNotifierItem, null while the extension serves.
    [[nodiscard]] StatusNotifierItem *statusNotifierItem() const { return m_statusNotifier.get(); }
    [[nodiscard]] ShellTopBarItem *shellTopBar() const { return m_shellTopBar; }
    /// The fallback while it is in use, else null.
    [[nodiscard]] StatusItem *fallback() const { return m_fallback.get(); }

    [[nodiscard]] QRect geometry() const override;
    [[nodiscard]] bool isShown() const override;

Q_SIGNALS:
    void backendChanged(StatusItemHost::Backend backend);

protected:
    void updateTitle() override;
    void updateToolTip() override;
    void updateIcon() override;
    void updateMenu() override;
    void updatePanelVisible() override;

private:
    void chooseBackend();
    void makeStatusNotifier();
    void dropStatusNotifier();
    void relaySignals(StatusItem *backend);
    void copyStateTo(StatusItem *backend) const;
    template<typename Apply> void forEachBackend(Apply apply);

    QDBusConnection m_connection;
    FallbackFactory m_makeFallback;
    ItemBus m_itemBus;
    QDBusConnection m_itemConnection;
    ShellTopBarItem *m_shellTopBar = nullptr;
    std::unique_ptr<StatusNotifierItem> m_statusNotifier;
    std::unique_ptr<StatusItem> m_fallback;
    Backend m_backend = Backend::StatusNotifier;
};
