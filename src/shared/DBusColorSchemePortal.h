#pragma once

#include "ColorSchemePortal.h"

#include <QDBusConnection>

class QDBusMessage;

// The XDG desktop portal's settings interface on a bus. Calls block for at most the timeout,
// so a portal that is slow to start or hung never holds up start-up.
class DBusColorSchemePortal : public ColorSchemePortal
{
    Q_OBJECT

public:
    static constexpr int defaultTimeoutMs = 500;

    /// Follows the portal on the session bus.
    explicit DBusColorSchemePortal(QObject *parent = nullptr);
    explicit DBusColorSchemePortal(const QDBusConnection &connection,
                                   int timeoutMs = defaultTimeoutMs, QObject *parent = nullptr);
    ~DBusColorSchemePortal() override;

    [[nodiscard]] std::optional<quint32> readColorScheme() override;

    /// One reading without following changes.
    [[nodiscard]] static std::optional<quint32> read(const QDBusConnection &connection,
                                                     int timeoutMs = defaultTimeoutMs);

private Q_SLOTS:
    void handleSettingChanged(const QDBusMessage &message);

private:
    QDBusConnection m_connection;
    int m_timeoutMs;
};
