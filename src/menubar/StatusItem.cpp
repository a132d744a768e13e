#include "StatusItem.h"

StatusItem::StatusItem(QObject *parent)
    : QObject(parent)
{
}

StatusItem::~StatusItem() = default;

void StatusItem::setTitle(const QString &text)
{
    if (text == m_title)
        return;
    m_title = text;
    updateTitle();
}

void StatusItem::setToolTip(const QString &title, const QString &subtitle)
{
    if (title == m_toolTipTitle && subtitle == m_toolTipSubtitle)
        return;
    m_toolTipTitle = title;
    m_toolTipSubtitle = subtitle;
    updateToolTip();
}

void StatusItem::setDayNumber(int day)
{
    if (day == m_dayNumber)
        return;
    m_dayNumber = day;
    updateIcon();
}

void StatusItem::setMenuEnabled(bool enabled)
{
    if (enabled == m_menuEnabled)
        return;
    m_menuEnabled = enabled;
    updateMenu();
}

void StatusItem::setPanelShortcut(const std::optional<HotKeyShortcut> &shortcut)
{
    if (shortcut == m_panelShortcut)
        return;
    m_panelShortcut = shortcut;
    updateMenu();
}

void StatusItem::setPanelVisible(bool visible)
{
    if (visible == m_panelVisible)
        return;
    m_panelVisible = visible;
    updatePanelVisible();
}

QRect StatusItem::geometry() const
{
    return {};
}

bool StatusItem::isShown() const
{
    return false;
}
