#include "NoTrayNotice.h"

#include "StatusItem.h"
#include "shared/Logging.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

using namespace Qt::StringLiterals;

NoTrayNotice::NoTrayNotice(const StatusItem &statusItem, const QDBusConnection &connection,
                           std::chrono::milliseconds grace, QObject *parent)
    : QObject(parent)
    , m_statusItem(statusItem)
    , m_connection(connection)
{
    m_grace.setSingleShot(true);
    connect(&m_grace, &QTimer::timeout, this, &NoTrayNotice::check);
    m_grace.start(grace);
}

NoTrayNotice::~NoTrayNotice() = default;

QString NoTrayNotice::body()
{
    return u"这个桌面不显示托盘图标，日期和时间无处显示。GNOME：请启用 AppIndicator 扩展；"
           u"其他面板：用 tessel-calendar --bar 显示文字（见 README）。"
           u"tessel-calendar --toggle 或全局快捷键可打开日历面板。"_s;
}

void NoTrayNotice::check()
{
    if (m_statusItem.isShown())
        return;
    QDBusMessage notify = QDBusMessage::createMethodCall(
        u"org.freedesktop.Notifications"_s, u"/org/freedesktop/Notifications"_s,
        u"org.freedesktop.Notifications"_s, u"Notify"_s);
    notify << u"栖格日历"_s << 0u << u"tessel-calendar"_s << u"栖格日历正在运行"_s << body()
           << QStringList() << QVariantMap{{u"desktop-entry"_s, u"tessel-calendar"_s}} << -1;
    auto *call = new QDBusPendingCallWatcher(m_connection.asyncCall(notify), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [](QDBusPendingCallWatcher *finished) {
        finished->deleteLater();
        const QDBusPendingReply<uint> reply = *finished;
        if (reply.isError())
            qCWarning(lcSni).noquote() << "no tray shows the item:" << body();
    });
    Q_EMIT unseen();
}
