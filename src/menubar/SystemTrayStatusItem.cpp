#include "SystemTrayStatusItem.h"

#include "StatusItemIcon.h"

#include <QCursor>

using namespace Qt::StringLiterals;

SystemTrayStatusItem::SystemTrayStatusItem(QObject *parent)
    : StatusItem(parent)
{
    m_tray.setIcon(StatusItemIcon::icon(dayNumber()));
    connect(&m_tray, &QSystemTrayIcon::activated, this, &SystemTrayStatusItem::handleActivation);
    m_tray.show();
}

SystemTrayStatusItem::~SystemTrayStatusItem() = default;

QRect SystemTrayStatusItem::geometry() const
{
    return m_tray.geometry();
}

bool SystemTrayStatusItem::isShown() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void SystemTrayStatusItem::updateToolTip()
{
    QStringList lines{toolTipTitle(), toolTipSubtitle()};
    lines.removeAll(QString());
    m_tray.setToolTip(lines.join(u'\n'));
}

void SystemTrayStatusItem::updateIcon()
{
    m_tray.setIcon(StatusItemIcon::icon(dayNumber()));
}

void SystemTrayStatusItem::handleActivation(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        Q_EMIT activated(place());
        break;
    case QSystemTrayIcon::Context:
        Q_EMIT contextMenuRequested(place());
        break;
    case QSystemTrayIcon::DoubleClick:
    case QSystemTrayIcon::MiddleClick:
    case QSystemTrayIcon::Unknown:
        // A double click has already toggled once through its first press.
        break;
    }
}

QPoint SystemTrayStatusItem::place() const
{
    const QRect rect = geometry();
    return rect.isValid() ? rect.center() : QCursor::pos();
}
