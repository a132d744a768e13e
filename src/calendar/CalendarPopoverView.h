#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

class CalendarKeyboardShortcutMonitor;
class CalendarViewModel;
class DailyDockView;
class DesktopColorScheme;
class EffectiveAppearanceObserver;
class HeaderBar;
class MonthGridView;
class PreferencesStore;
class ScrollWheelMonthSwitcher;
class ShortcutHintBanner;

// The whole content of the calendar panel, 330 wide: the header, the one-time shortcut hint,
// the month grid and the day dock on the glass background. It reports its natural height to
// whoever sizes the panel, pages with the wheel and the keys, follows the appearance, and
// builds its content anew whenever the appearance changes, so every colour is read again.
class CalendarPopoverView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int panelWidth = 330;
    static constexpr int stackSpacing = 12;
    static constexpr QMargins padding{15, 16, 15, 13};
    static constexpr int shortcutHintDurationMs = 2600;
    static constexpr int shortcutHintLeaveMs = 220;

    using HeightHandler = std::function<void(qreal height)>;

    /// Both are kept by reference for the view's life. Without a desktop colour scheme the
    /// view follows one of its own.
    CalendarPopoverView(CalendarViewModel &viewModel, PreferencesStore &preferencesStore,
                        DesktopColorScheme *desktopColorScheme = nullptr,
                        QWidget *parent = nullptr);
    ~CalendarPopoverView() override;

    /// What the settings button does.
    void setOpenPreferences(std::function<void()> openPreferences);
    /// What Esc does: hides the panel.
    void setClosePanel(std::function<void()> closePanel);
    /// Receives the content's height at once and on every change.
    void setOnContentHeightChange(HeightHandler onContentHeightChange);

    /// The height last reported.
    [[nodiscard]] qreal contentHeight() const { return m_contentHeight; }
    /// The appearance mode's raw value, "-", and the refresh token in upper case.
    [[nodiscard]] QString identityText() const;
    [[nodiscard]] bool isShowingShortcutHint() const { return m_isShowingShortcutHint; }

    /// Off, month and selection changes apply at once; for screenshots and tests.
    void setAnimationsEnabled(bool enabled);

    [[nodiscard]] QWidget *content() const { return m_content; }
    [[nodiscard]] HeaderBar *headerBar() const { return m_headerBar; }
    [[nodiscard]] ShortcutHintBanner *shortcutHintBanner() const { return m_banner; }
    [[nodiscard]] MonthGridView *monthGrid() const { return m_monthGrid; }
    [[nodiscard]] DailyDockView *dailyDock() const { return m_dailyDock; }

    /// Measures the content and reports its height if it changed; done after every layout
    /// change on its own.
    void updateContentHeight();

    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    /// Tab and Shift+Tab go round the grid and the dock's controls, whatever else the window
    /// holds.
    bool focusNextPrevChild(bool next) override;

private:
    void rebuildContent();
    void followIdentity();
    void activateFocused();
    void showShortcutHintIfNeeded();
    void hideShortcutHint(int durationMs);
    [[nodiscard]] qreal measureContent() const;

    CalendarViewModel &m_viewModel;
    PreferencesStore &m_preferencesStore;
    DesktopColorScheme *m_desktopColorScheme;
    EffectiveAppearanceObserver *m_appearanceObserver;
    CalendarKeyboardShortcutMonitor *m_keyboardMonitor;
    ScrollWheelMonthSwitcher *m_wheelSwitcher;
    std::function<void()> m_openPreferences;
    std::function<void()> m_closePanel;
    HeightHandler m_onContentHeightChange;

    QPointer<QWidget> m_content;
    HeaderBar *m_headerBar = nullptr;
    ShortcutHintBanner *m_banner = nullptr;
    MonthGridView *m_monthGrid = nullptr;
    DailyDockView *m_dailyDock = nullptr;

    QString m_identity;
    qreal m_contentHeight = 0;
    bool m_isShowingShortcutHint = false;
    bool m_animationsEnabled = true;
    QTimer m_shortcutHintTimer;
};
