#pragma once

#include <QPointer>
#include <QStringList>
#include <QStringView>
#include <QWidget>

class DesktopColorScheme;
class EffectiveAppearanceObserver;
class EventStoreService;
class ShortcutService;
class LaunchAtLoginService;
class PreferencesStore;
class QBoxLayout;
class QScrollArea;

// The preferences page, 330 × 540: the header and four glass cards through which the user edits
// every visible setting. It keeps no settings of its own; every control reads and writes the
// shared services. The page is built anew whenever the appearance changes, so every colour is
// read again; the four view-state flags survive that.
class PreferencesView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int windowWidth = 330;
    static constexpr int windowHeight = 540;

    /// Under the recorder where the desktop portal binds the shortcut: bound (or none asked for),
    /// and asked for but not bound.
    static constexpr QStringView shortcutBoundByDesktopText =
        u"快捷键由桌面绑定，可在系统设置中更改。";
    static constexpr QStringView shortcutNotBoundByDesktopText = u"桌面尚未绑定此快捷键。";
    /// Under the recorder where the session offers no global shortcut at all.
    static inline const QStringList noGlobalShortcutLines{
        QStringLiteral("此桌面不提供全局快捷键。"),
        QStringLiteral("请在系统的键盘设置中添加快捷键，"),
        QStringLiteral("命令：tessel-calendar --toggle")};

    /// Services are kept by reference for the view's life. Without a shortcut service the
    /// shortcut row is left out; without a desktop colour scheme the view follows one of its own.
    PreferencesView(PreferencesStore &preferencesStore, EventStoreService &eventStoreService,
                    LaunchAtLoginService &launchAtLoginService, ShortcutService *shortcutService,
                    DesktopColorScheme *desktopColorScheme = nullptr, QWidget *parent = nullptr);
    ~PreferencesView() override;

    [[nodiscard]] bool isRecordingShortcut() const { return m_isRecordingShortcut; }
    [[nodiscard]] bool isMenuBarPickerPresented() const { return m_isMenuBarPickerPresented; }
    [[nodiscard]] bool isAppearancePickerPresented() const { return m_isAppearancePickerPresented; }
    [[nodiscard]] bool isRequestingCalendarAccess() const { return m_isRequestingCalendarAccess; }

    /// The appearance mode's raw value, "-", and the refresh token in upper case.
    [[nodiscard]] QString identityText() const;
    /// The current page; replaced on every rebuild.
    [[nodiscard]] QWidget *content() const { return m_content; }

    [[nodiscard]] QSize sizeHint() const override;

protected:
    /// A press on the header or between the cards moves the window.
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void followIdentity();
    void rebuildContent();
    [[nodiscard]] QWidget *makeHeader(QWidget *parent);
    // A line under the header while the settings cannot be saved.
    [[nodiscard]] QWidget *makeSaveErrorLine(QWidget *parent);
    [[nodiscard]] QWidget *makeSettingsCard(QWidget *parent);
    [[nodiscard]] QWidget *makeDateCard(QWidget *parent);
    [[nodiscard]] QWidget *makeTimeCard(QWidget *parent);
    [[nodiscard]] QWidget *makeCalendarCard(QWidget *parent);
    [[nodiscard]] QWidget *makeShortcutRecorder(QWidget *parent);
    /// Under the recorder where the session does not grab keys itself: who binds the shortcut,
    /// or how to get one without us; nothing otherwise.
    [[nodiscard]] QWidget *makeShortcutStatus(QWidget *parent);
    void rebuildCalendarSection();
    void requestCalendarAccess();
    void presentPicker(QWidget *anchor, bool appearance);

    PreferencesStore &m_preferencesStore;
    EventStoreService &m_eventStoreService;
    LaunchAtLoginService &m_launchAtLoginService;
    QPointer<ShortcutService> m_shortcutService;
    DesktopColorScheme *m_desktopColorScheme;
    EffectiveAppearanceObserver *m_appearanceObserver;

    bool m_isRecordingShortcut = false;
    bool m_isMenuBarPickerPresented = false;
    bool m_isAppearancePickerPresented = false;
    bool m_isRequestingCalendarAccess = false;

    QString m_identity;
    QPointer<QWidget> m_content;
    QPointer<QWidget> m_calendarSection;
    QPointer<QBoxLayout> m_calendarCardLayout;
    QPointer<QWidget> m_picker;
};
