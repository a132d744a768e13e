#include "NoTrayNotice.h"

#include "ShellTopBarItem.h"
#include "StatusItem.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QLoggingCategory>

using namespace Qt::StringLiterals;

Q_DECLARE_LOGGING_CATEGORY(lcSni)

namespace {

const QString notificationsService = u"org.freedesktop.Notifications"_s;
const QString notificationsPath = u"/org/freedesktop/Notifications"_s;
// The shell's extension state for an enabled extension.
constexpr double extensionEnabled = 1;

QDBusMessage shellExtensionsCall(const QString &method)
{
    QDBusMessage call = QDBusMessage::createMethodCall(u"org.gnome.Shell"_s, u"/org/gnome/Shell"_s,
                                                       u"org.gnome.Shell.Extensions"_s, method);
    call << QString::fromLatin1(ShellTopBarItem::extensionUuid);
    call.setAutoStartService(false);
    return call;
}

} // namespace

NoTrayNotice::NoTrayNotice(const StatusItem &statusItem, const QDBusConnection &connection,
                           std::chrono::milliseconds grace, QObject *parent)
    : QObject(parent)
    , m_statusItem(statusItem)
    , m_connection(connection)
{
    m_grace.setSingleShot(true);
    connect(&m_grace, &QTimer::timeout, this, &NoTrayNotice::check);
    m_grace.start(grace);
    m_connection.connect(notificationsService, notificationsPath, notificationsService,
                         u"ActionInvoked"_s, this, SLOT(onActionInvoked(uint, QString)));
}

NoTrayNotice::~NoTrayNotice() = default;

QString NoTrayNotice::body()
{
    return u"这个桌面不显示托盘图标，日期和时间无处显示。GNOME：请启用 AppIndicator 扩展；"
           u"其他面板：用 tessel-calendar --bar 显示文字（见 README）。"
           u"tessel-calendar --toggle 或全局快捷键可打开日历面板。"_s;
}

QString NoTrayNotice::extensionBody()
{
    return u"栖格日历的 GNOME 顶栏扩展已安装，但没有启用。启用后日期和时间显示在顶栏，"
           u"单击即可打开日历面板。"_s;
}

void NoTrayNotice::check()
{
    if (m_statusItem.isShown())
        return;
    // An empty answer, or none, where the shell does not know the extension.
    auto *call = new QDBusPendingCallWatcher(
        m_connection.asyncCall(shellExtensionsCall(u"GetExtensionInfo"_s)), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *info) {
        info->deleteLater();
        const QDBusPendingReply<QVariantMap> reply = *info;
        const QVariantMap extension = reply.isError() ? QVariantMap() : reply.value();
        notify(extension.contains(u"state"_s)
               && extension.value(u"state"_s).toDouble() != extensionEnabled);
    });
    Q_EMIT unseen();
}

void NoTrayNotice::notify(bool offerExtension)
{
    QDBusMessage notify = QDBusMessage::createMethodCall(notificationsService, notificationsPath,
                                                         notificationsService, u"Notify"_s);
    const QStringList actions =
        offerExtension ? QStringList{QString::fromLatin1(enableExtensionAction), u"启用顶栏扩展"_s}
                       : QStringList();
    notify << u"栖格日历"_s << 0u << u"tessel-calendar"_s << u"栖格日历正在运行"_s
           << (offerExtension ? extensionBody() : body()) << actions
           << QVariantMap{{u"desktop-entry"_s, u"tessel-calendar"_s}} << -1;
    auto *call = new QDBusPendingCallWatcher(m_connection.asyncCall(notify), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
            [this, offerExtension](QDBusPendingCallWatcher *finished) {
                finished->deleteLater();
                const QDBusPendingReply<uint> reply = *finished;
                if (!reply.isError())
                    m_notificationId = reply.value();
                else
                    qCWarning(lcSni).noquote()
                        << "no tray shows the item:" << (offerExtension ? extensionBody() : body());
            });
}

void NoTrayNotice::onActionInvoked(uint id, const QString &action)
{
    if (id == 0 || id != m_notificationId || action != QLatin1StringView(enableExtensionAction))
        return;
    m_connection.asyncCall(shellExtensionsCall(u"EnableExtension"_s));
}
