#pragma once

#include "StatusItem.h"

#include <QDBusConnection>

#include <functional>
#include <memory>

class StatusNotifierItem;

// The item the controller holds. It shows itself as a StatusNotifierItem while a watcher has it
// registered, and as the fallback (a plain tray icon) while there is no watcher or the watcher
// refused it, moving between the two as watchers come and go.
class StatusItemHost : public StatusItem
{
    Q_OBJECT

public:
    enum class Backend
    {
        StatusNotifier,
        Fallback
    };
    Q_ENUM(Backend)

    using FallbackFactory = std::function<std::unique_ptr<StatusItem>()>;

    /// On the session bus, with a QSystemTrayIcon as the fallback.
    explicit StatusItemHost(QObject *parent = nullptr);
    StatusItemHost(const QDBusConnection &connection, FallbackFactory makeFallback,
                   QObject *parent = nullptr);
    ~StatusItemHost() override;

    [[nodiscard]] Backend backend() const { return m_backend; }
    [[nodiscard]] StatusNotifierItem *statusNotifierItem() const { return m_statusNotifier; }
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

private:
    void chooseBackend();
    void relaySignals(StatusItem *backend);
    void copyStateTo(StatusItem *backend) const;
    template<typename Apply> void forEachBackend(Apply apply);

    FallbackFactory m_makeFallback;
    StatusNotifierItem *m_statusNotifier = nullptr;
    std::unique_ptr<StatusItem> m_fallback;
    Backend m_backend = Backend::StatusNotifier;
};
