#pragma once

#include <QWidget>

// The floating panel under the menu bar item: a frameless, always-on-top window without a
// taskbar entry, transparent around 18-point rounded corners under a compositor and cut to that
// shape without one. It takes the keyboard while shown.
class MenuBarCalendarPanel : public QWidget
{
    Q_OBJECT

public:
    explicit MenuBarCalendarPanel(QWidget *parent = nullptr);
    ~MenuBarCalendarPanel() override;

Q_SIGNALS:
    /// The panel stopped being the active window (a click went to another application).
    void deactivated();
    /// The panel was shown or hidden, by whatever asked for it.
    void visibilityChanged(bool visible);

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateMask();
};
