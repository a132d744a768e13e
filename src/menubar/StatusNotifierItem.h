#pragma once

#include "StatusItem.h"
#include "StatusNotifierTypes.h"

#include <QDBusConnection>
#include <QDBusObjectPath>

class QDBusServiceWatcher;
class StatusMenuExporter;

// The item as a StatusNotifierItem on the session bus, registered with the watcher that tray
// hosts run. Its members named as the protocol spells them are the interface's properties,
// methods and signals; the text goes out as XAyatanaLabel and Title, today's page as IconPixmap.
class StatusNotifierItem : public StatusItem
{
    Q_OBJECT
    Q_PROPERTY(QString Category READ category CONSTANT)
    Q_PROPERTY(QString Id READ id CONSTANT)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status CONSTANT)
    Q_PROPERTY(int WindowId READ windowId CONSTANT)
    Q_PROPERTY(QString IconThemePath READ emptyText CONSTANT)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu CONSTANT)
    Q_PROPERTY(QString IconName READ emptyText CONSTANT)
    Q_PROPERTY(StatusNotifierIconPixmaps IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ emptyText CONSTANT)
    Q_PROPERTY(StatusNotifierIconPixmaps OverlayIconPixmap READ noPixmaps CONSTANT)
    Q_PROPERTY(QString AttentionIconName READ emptyText CONSTANT)
    Q_PROPERTY(StatusNotifierIconPixmaps AttentionIconPixmap READ noPixmaps CONSTANT)
    Q_PROPERTY(QString AttentionMovieName READ emptyText CONSTANT)
    Q_PROPERTY(StatusNotifierToolTip ToolTip READ toolTip)
    Q_PROPERTY(QString XAyatanaLabel READ title)
    Q_PROPERTY(QString XAyatanaLabelGuide READ labelGuide)
    Q_PROPERTY(uint XAyatanaOrderingIndex READ orderingIndex CONSTANT)

public:
    enum class Registration
    {
        /// No watcher on the bus.
        NoWatcher,
        /// Asked a watcher, no answer yet.
        Pending,
        Registered,
        /// The watcher answered with an error, or the object paths are taken.
        Refused,
    };
    Q_ENUM(Registration)

    static constexpr auto itemPath = "/StatusNotifierItem";
    static constexpr auto menuPath = "/MenuBar";
    /// The Menu property without a menu: hosts then ask for a context menu on a right click.
    static constexpr auto noMenuPath = "/NO_DBUSMENU";
    static constexpr auto watcherService = "org.kde.StatusNotifierWatcher";
    static constexpr auto watcherPath = "/StatusNotifierWatcher";

    /// Exports the item on the connection and registers it with the watcher whenever one is there.
    explicit StatusNotifierItem(const QDBusConnection &connection, QObject *parent = nullptr);
    ~StatusNotifierItem() override;

    [[nodiscard]] Registration registration() const { return m_registration; }
    /// A watcher that has not answered yet is taken to show the item too.
    [[nodiscard]] bool isShown() const override
    {
        return m_registration == Registration::Registered
               || m_registration == Registration::Pending;
    }

    /// The width reserve that label hosts size the text by: every digit as "0", so that the
    /// guide changes only when the text's length does.
    [[nodiscard]] static QString labelGuideFor(const QString &label);

    [[nodiscard]] QString category() const;
    [[nodiscard]] QString id() const;
    [[nodiscard]] QString status() const;
    [[nodiscard]] int windowId() const { return 0; }
    [[nodiscard]] QString emptyText() const { return {}; }
    [[nodiscard]] QDBusObjectPath menu() const;
    [[nodiscard]] bool itemIsMenu() const { return false; }
    [[nodiscard]] StatusNotifierIconPixmaps iconPixmap() const { return m_iconPixmaps; }
    [[nodiscard]] StatusNotifierIconPixmaps noPixmaps() const { return {}; }
    [[nodiscard]] StatusNotifierToolTip toolTip() const;
    [[nodiscard]] QString labelGuide() const { return m_labelGuide; }
    [[nodiscard]] uint orderingIndex() const { return 0; }

    // org.kde.StatusNotifierItem
    void ContextMenu(int x, int y);
    void Activate(int x, int y);
    void SecondaryActivate(int x, int y);
    void Scroll(int delta, const QString &orientation);

Q_SIGNALS:
    void registrationChanged(StatusNotifierItem::Registration registration);

    // org.kde.StatusNotifierItem
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString &status);
    void XAyatanaNewLabel(const QString &label, const QString &guide);

protected:
    void updateTitle() override;
    void updateToolTip() override;
    void updateIcon() override;
    void updateMenu() override;

private:
    enum Change
    {
        TitleChange = 1,
        ToolTipChange = 2,
        IconChange = 4
    };

    void registerWithWatcher();
    void setRegistration(Registration registration);
    // Tells hosts of a change, or keeps it for when the watcher has taken the item.
    void announce(int changes);

    QDBusConnection m_connection;
    QDBusServiceWatcher *m_watcherWatcher = nullptr;
    StatusMenuExporter *m_menu = nullptr;
    StatusNotifierIconPixmaps m_iconPixmaps;
    QString m_labelGuide;
    Registration m_registration = Registration::NoWatcher;
    bool m_exported = false;
    // Changes not yet signalled, and whether changes need no signal at all: until the event
    // loop turns after the first registration went out, no host can have read anything.
    int m_unannounced = 0;
    bool m_settling = false;
    bool m_everRegistered = false;
    // Replies to earlier registrations are dropped once a newer one is under way.
    quint64 m_registrationSerial = 0;
};
