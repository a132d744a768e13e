#pragma once

#include "StatusItem.h"

#include <QDBusConnection>
#include <QRect>

class QDBusServiceWatcher;

// The item as the button of our GNOME Shell extension. The extension reads the text and the
// panel's state from this object and asks for the panel with the button's place; the item serves
// while the extension holds its bus name.
class ShellTopBarItem : public StatusItem
{
    Q_OBJECT
    Q_PROPERTY(QString Title READ title NOTIFY titleChanged)
    Q_PROPERTY(bool PanelVisible READ isPanelVisible NOTIFY panelVisibleChanged)

public:
    static constexpr auto objectPath = "/io/github/TesselCalendar/TopBar";
    static constexpr auto interfaceName = "io.github.TesselCalendar.TopBar";
    static constexpr auto extensionUuid = "topbar@tessel-calendar";
    /// The name the extension holds on the session bus while its button is there.
    static constexpr auto extensionService = "io.github.TesselCalendar.GnomeShell";

    explicit ShellTopBarItem(const QDBusConnection &connection, QObject *parent = nullptr);
    ~ShellTopBarItem() override;

    /// The button's place from the last click on it.
    [[nodiscard]] QRect geometry() const override { return m_button; }
    /// Whether the extension's button is there.
    [[nodiscard]] bool isShown() const override { return m_serving; }

    // io.github.TesselCalendar.TopBar
    void TogglePanel(int x, int y, int width, int height);
    void ShowPreferences();
    void Quit();

Q_SIGNALS:
    void titleChanged();
    void panelVisibleChanged();
    void servingChanged(bool serving);

protected:
    void updateTitle() override;
    void updatePanelVisible() override;

private:
    void setServing(bool serving);
    void announce(const char *property, const QVariant &value);

    QDBusConnection m_connection;
    QDBusServiceWatcher *m_extensionWatcher = nullptr;
    QRect m_button;
    bool m_serving = false;
    bool m_exported = false;
};
