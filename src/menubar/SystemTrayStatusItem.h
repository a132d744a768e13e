#pragma once

#include "StatusItem.h"

#include <QSystemTrayIcon>

// The item as a plain tray icon, for sessions without a StatusNotifierItem watcher: the page icon
// and the tool tip; the text has no place in it. Shown from creation on.
class SystemTrayStatusItem : public StatusItem
{
    Q_OBJECT

public:
    explicit SystemTrayStatusItem(QObject *parent = nullptr);
    ~SystemTrayStatusItem() override;

    [[nodiscard]] QRect geometry() const override;
    [[nodiscard]] bool isShown() const override;
    [[nodiscard]] QSystemTrayIcon *trayIcon() { return &m_tray; }

protected:
    void updateToolTip() override;
    void updateIcon() override;

private:
    void handleActivation(QSystemTrayIcon::ActivationReason reason);
    [[nodiscard]] QPoint place() const;

    QSystemTrayIcon m_tray;
};
