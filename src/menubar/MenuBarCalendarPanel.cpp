#include "MenuBarCalendarPanel.h"

#include "PanelLayout.h"
#include "X11Compositor.h"
#include "shared/X11WindowHints.h"

#include <QEvent>
#include <QPainterPath>
#include <QRegion>

MenuBarCalendarPanel::MenuBarCalendarPanel(QWidget *parent)
    // Not a tool window: Qt names a transient parent for those, on X11 a window that is never
    // mapped, which window managers reject. The task bar is kept off by hand instead.
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                          | Qt::NoDropShadowWindowHint)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_X11NetWmWindowTypeDropDownMenu);
    setWindowTitle(QStringLiteral("栖格日历"));
    resize(PanelLayout::panelWidth, PanelLayout::initialHeight);
}

MenuBarCalendarPanel::~MenuBarCalendarPanel() = default;

bool MenuBarCalendarPanel::event(QEvent *event)
{
    if (event->type() == QEvent::WindowDeactivate)
        Q_EMIT deactivated();
    return QWidget::event(event);
}

void MenuBarCalendarPanel::showEvent(QShowEvent *event)
{
    // Sent before the window is mapped.
    X11WindowHints::skipTaskbar(winId());
    QWidget::showEvent(event);
    Q_EMIT visibilityChanged(true);
}

void MenuBarCalendarPanel::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    Q_EMIT visibilityChanged(false);
}

void MenuBarCalendarPanel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    updateMask();
}

void MenuBarCalendarPanel::updateMask()
{
    // Without a compositor translucent pixels come out black, so cut the window to its shape.
    if (X11Compositor::isActive()) {
        clearMask();
        return;
    }
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), PanelLayout::cornerRadius, PanelLayout::cornerRadius);
    setMask(QRegion(shape.toFillPolygon().toPolygon()));
}
