#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QTimer>

#include <chrono>

class StatusItem;

// On a desktop that shows no tray items the application would run unseen. A while after the
// start, if no host shows the item, the user is told once how to get the text on screen: by a
// desktop notification, else in the log. Where our GNOME Shell extension is installed but off,
// the notification offers to switch it on.
class NoTrayNotice : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds defaultGrace{4000};

    NoTrayNotice(const StatusItem &statusItem, const QDBusConnection &connection,
                 std::chrono::milliseconds grace = defaultGrace, QObject *parent = nullptr);
    ~NoTrayNotice() override;

    /// What the notice says.
    [[nodiscard]] static QString body();
    /// What it says where our GNOME Shell extension is installed but off.
    [[nodiscard]] static QString extensionBody();
    /// The notification's action that switches the extension on.
    static constexpr auto enableExtensionAction = "enable-top-bar";

Q_SIGNALS:
    /// The item stayed unseen and the user was told; the panel shows that the program runs.
    void unseen();

private Q_SLOTS:
    void onActionInvoked(uint id, const QString &action);

private:
    void check();
    void notify(bool offerExtension);

    const StatusItem &m_statusItem;
    QDBusConnection m_connection;
    QTimer m_grace;
    uint m_notificationId = 0;
};
