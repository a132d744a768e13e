#pragma once

#include "shared/AppAppearanceMode.h"

#include <QObject>

#include <memory>

class AppServices;
class DesktopColorScheme;
class StatusBarController;
class StatusItem;

// The application's start-up sequence and its reactions to the application becoming active.
class AppDelegate : public QObject
{
    Q_OBJECT

public:
    /// `statusItem` is the menu bar item to drive; the delegate owns it.
    AppDelegate(AppServices &services, std::unique_ptr<StatusItem> statusItem,
                QObject *parent = nullptr);
    ~AppDelegate() override;

    /// Applies the appearance, creates the menu bar item's controller and honours the preview
    /// switches of the environment.
    void applicationDidFinishLaunching();
    /// Refreshes the calendar access state.
    void applicationDidBecomeActive();

    [[nodiscard]] StatusBarController *statusBarController() const
    {
        return m_statusBarController.get();
    }

    /// Shows the preferences window.
    void showPreferences();

private:
    void applyAppearance(AppAppearanceMode mode);

    AppServices &services;
    std::unique_ptr<StatusItem> m_statusItem;
    std::unique_ptr<DesktopColorScheme> m_desktopColorScheme;
    std::unique_ptr<StatusBarController> m_statusBarController;
};
