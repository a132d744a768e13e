#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QTimer>

#include <chrono>

class StatusItem;

// On a desktop that shows no tray items the application would run unseen. A while after the
// start, if no host shows the item, the user is told once how to get the text on screen: by a
// desktop notification, else in the log.
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

Q_SIGNALS:
    /// The item stayed unseen and the user was told; the panel shows that the program runs.
    void unseen();

private:
    void check();

    const StatusItem &m_statusItem;
    QDBusConnection m_connection;
    QTimer m_grace;
};
