#include "PreferencesView.h"

#include "LaunchAtLoginService.h"
#include "PreferencesControls.h"
#include "PreferencesStore.h"
#include "ShortcutRecorderField.h"
#include "events/EventStoreService.h"
#include "events/PreviewCalendarFactory.h"
#include "look/AppFonts.h"
#include "look/AppTheme.h"
#include "look/BrandLogoView.h"
#include "look/PanelLabel.h"
#include "look/SettingsGlassBackground.h"
#include "shared/DesktopColorScheme.h"
#include "shared/EffectiveAppearanceObserver.h"
#include "shared/Observable.h"
#include "shared/SettingsStore.h"
#include "shortcut/KeyGrabber.h"
#include "shortcut/ShortcutService.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <functional>

using namespace Qt::StringLiterals;

using namespace PreferencesControls;

namespace {

constexpr int cardSpacing = 14;
constexpr int rowSpacing = 12;
constexpr int pagePadding = 15;
constexpr int scrollTopInset = 16;

PanelLabel *sectionTitle(const QString &text, QWidget *parent)
{
    return new PanelLabel(
        text, AppFonts::ui(14, QFont::DemiBold),
        [] { return withOpacity(AppTheme::primaryText(), 0.9); }, parent);
}

PanelLabel *rowLabel(const QString &text, QWidget *parent)
{
    return new PanelLabel(
        text, AppFonts::ui(14, QFont::DemiBold),
        [] { return withOpacity(AppTheme::secondaryText(), 0.92); }, parent);
}

QWidget *settingRow(const QString &label, QWidget *control, QWidget *parent)
{
    auto *row = new QWidget(parent);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(rowSpacing);
    layout->addWidget(rowLabel(label, row));
    control->setParent(row);
    layout->addWidget(control);
    layout->addStretch(1);
    return row;
}

// Shows a boolean setting on a checkable button and writes it back on every click.
template<typename Button>
Button *bindToggle(Button *button, PreferencesStore &store, const SettingKey<bool> &key)
{
    store.observe(key, button, [button](bool on) { button->setChecked(on); });
    QObject::connect(button, &QAbstractButton::clicked, &store,
                     [&store, key](bool on) { store.setValue(key, on); });
    return button;
}

GlassCheckBox *boundCheckBox(const QString &label, PreferencesStore &store,
                             const SettingKey<bool> &key, QWidget *parent)
{
    return bindToggle(new GlassCheckBox(label, {}, parent), store, key);
}

// One capsule per case of a choice setting, the current one selected; pressing one assigns it.
template<SettingChoice Choice>
void addChoiceButtons(QHBoxLayout *row, PreferencesStore &store, const SettingKey<Choice> &key,
                      QWidget *parent)
{
    for (const auto &entry : choiceCases(Choice{})) {
        const Choice choice = entry.value;
        auto *button = new CapsuleToggle(QString::fromUtf16(entry.title), parent);
        // Pressing the selected case keeps it selected.
        store.observe(key, button,
                      [button, choice](Choice current) { button->setChecked(current == choice); });
        QObject::connect(button, &QAbstractButton::clicked, &store,
                         [&store, key, choice] { store.setValue(key, choice); });
        row->addWidget(button);
    }
}

} // namespace

PreferencesView::PreferencesView(PreferencesStore &preferencesStore,
                                 EventStoreService &eventStoreService,
                                 LaunchAtLoginService &launchAtLoginService,
                                 ShortcutService *shortcutService,
                                 DesktopColorScheme *desktopColorScheme, QWidget *parent)
    : QWidget(parent)
    , m_preferencesStore(preferencesStore)
    , m_eventStoreService(eventStoreService)
    , m_launchAtLoginService(launchAtLoginService)
    , m_shortcutService(shortcutService)
    , m_desktopColorScheme(desktopColorScheme ? desktopColorScheme : new DesktopColorScheme(this))
    , m_appearanceObserver(new EffectiveAppearanceObserver(this, *m_desktopColorScheme, this))
{
    setMinimumSize(windowWidth, windowHeight);

    // The identity holds the appearance mode and the refresh token, both published as changes.
    connect(&preferencesStore, &PreferencesStore::changed, this, &PreferencesView::followIdentity);
    // The calendar card follows the access state, the calendar list and the preview switch.
    connect(&eventStoreService, &EventStoreService::authorizationStatusChanged, this,
            &PreferencesView::rebuildCalendarSection);
    connect(&eventStoreService, &EventStoreService::availableCalendarsChanged, this,
            &PreferencesView::rebuildCalendarSection);
    connect(&preferencesStore, &PreferencesStore::valueChanged, this, [this](const QString &key) {
        if (key == SettingKeys::usePreviewData.name)
            rebuildCalendarSection();
    });

    m_identity = identityText();
    rebuildContent();
}

PreferencesView::~PreferencesView() = default;

QString PreferencesView::identityText() const
{
    return rawValue(m_preferencesStore.value(SettingKeys::appearanceMode)) + u'-'
           + m_preferencesStore.appearanceRefreshToken().toString(QUuid::WithoutBraces).toUpper();
}

QSize PreferencesView::sizeHint() const
{
    return {windowWidth, windowHeight};
}

void PreferencesView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    SettingsGlassBackground::paint(painter, QRectF(rect()));
}

void PreferencesView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_content)
        m_content->setGeometry(rect());
}

void PreferencesView::followIdentity()
{
    const QString identity = identityText();
    if (identity == m_identity)
        return;
    m_identity = identity;
    rebuildContent();
}

void PreferencesView::rebuildContent()
{
    // The view-state flags belong to the page, not to its content: closing an open popover
    // with the old content must not clear them.
    const bool appearancePickerPresented = m_isAppearancePickerPresented;
    const bool menuBarPickerPresented = m_isMenuBarPickerPresented;
    if (m_picker)
        m_picker->close();
    // The keyboard focus stays on the control in the same place, as the picker that chose.
    const FocusPlace focus = focusPlace(m_content);
    m_isAppearancePickerPresented = appearancePickerPresented;
    m_isMenuBarPickerPresented = menuBarPickerPresented;
    if (m_content) {
        // The change may come from inside the old page, such as a picker's row.
        m_content->hide();
        m_content->deleteLater();
    }

    auto *content = new QWidget(this);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(makeHeader(content));
    layout->addWidget(makeSaveErrorLine(content));

    auto *scrollArea = new QScrollArea(content);
    scrollArea->setFrameShape(QFrame::NoFrame);
    // Tab goes straight to the controls; the page scrolls to the one that takes the focus.
    scrollArea->setFocusPolicy(Qt::NoFocus);
    scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Under larger font metrics the cards outgrow the fixed window; where scroll bars are not
    // overlays, one must show that there is more.
    scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // A slim bar in the page's colours rather than the platform's grey trough.
    const QColor handle = withOpacity(AppTheme::secondaryText(), 0.4);
    scrollArea->verticalScrollBar()->setStyleSheet(
        u"QScrollBar:vertical { background: transparent; width: 10px; margin: 4px 3px 4px 1px; }"
        "QScrollBar::handle:vertical { background: %1; border-radius: 3px; min-height: 32px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"_s.arg(
            handle.name(QColor::HexArgb)));
    scrollArea->setWidgetResizable(true);
    scrollArea->setAutoFillBackground(false);
    scrollArea->viewport()->setAutoFillBackground(false);

    auto *column = new CardColumn;
    column->setAutoFillBackground(false);
    column->installEventFilter(this);
    auto *columnLayout = new QVBoxLayout(column);
    columnLayout->setContentsMargins(pagePadding, scrollTopInset, pagePadding, scrollTopInset);
    columnLayout->setSpacing(cardSpacing);
    columnLayout->addWidget(makeSettingsCard(column));
    columnLayout->addWidget(makeDateCard(column));
    columnLayout->addWidget(makeTimeCard(column));
    columnLayout->addWidget(makeCalendarCard(column));
    columnLayout->addStretch(1);
    scrollArea->setWidget(column);
    // setWidget() turns background filling on; the page's glass shows through instead.
    column->setAutoFillBackground(false);
    layout->addWidget(scrollArea, 1);

    m_content = content;
    content->setGeometry(rect());
    content->show();
    restoreFocus(content, focus);

    m_appearanceObserver->update(
        [this](ColorScheme appearance) { m_preferencesStore.refreshSystemAppearance(appearance); });

    // A popover that was open stays open on the new page.
    if (m_isAppearancePickerPresented || m_isMenuBarPickerPresented) {
        const bool appearance = m_isAppearancePickerPresented;
        const char *name = appearance ? "appearancePicker" : "menuBarPicker";
        QTimer::singleShot(0, content, [this, content, name, appearance] {
            if (auto *anchor = content->findChild<QWidget *>(QLatin1StringView(name)))
                presentPicker(anchor, appearance);
        });
    }
    update();
}

QWidget *PreferencesView::makeHeader(QWidget *parent)
{
    auto *header = new QWidget(parent);
    auto *layout = new QHBoxLayout(header);
    layout->setContentsMargins(22, 20, 22, 4);
    layout->setSpacing(12);
    layout->addWidget(new BrandLogoView(40, header), 0, Qt::AlignVCenter);

    auto *lines = new QVBoxLayout;
    lines->setSpacing(2);
    QFont nameFont = AppFonts::ui(20, QFont::Medium);
    nameFont.setLetterSpacing(QFont::AbsoluteSpacing, 2.2);
    lines->addWidget(new PanelLabel(
        u"栖格日历"_s, nameFont, [] { return AppTheme::primaryText(); }, header));
    lines->addWidget(new PanelLabel(
        u"藏在菜单栏里的轻量日历。"_s, AppFonts::ui(11.5, QFont::Medium),
        [] { return withOpacity(AppTheme::secondaryText(), 0.72); }, header));
    layout->addLayout(lines);
    layout->addStretch(1);

    // The window has no title bar of its own: the page closes itself and is moved by its header.
    auto *close = new XmarkButton(u"关闭"_s, header);
    close->setFocusPolicy(Qt::NoFocus);
    connect(close, &QAbstractButton::clicked, this, [this] { window()->close(); });
    layout->addWidget(close, 0, Qt::AlignTop);
    header->installEventFilter(this);
    return header;
}

bool PreferencesView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        const auto *press = static_cast<QMouseEvent *>(event);
        QWindow *handle = window()->windowHandle();
        if (press->button() == Qt::LeftButton && window() != this && handle
            && handle->startSystemMove())
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

QWidget *PreferencesView::makeSaveErrorLine(QWidget *parent)
{
    auto *holder = new QWidget(parent);
    auto *layout = new QHBoxLayout(holder);
    layout->setContentsMargins(22, 2, 22, 2);
    auto *line = new PanelLabel(
        QString(), AppFonts::ui(11, QFont::Medium), [] { return QColor(0xD0, 0x45, 0x3A); },
        holder);
    line->setObjectName(u"settingsSaveError"_s);
    line->setMinimumScale(0.7);
    layout->addWidget(line);
    observe(&m_preferencesStore.settings(), &SettingsStore::saveErrorChanged,
            &SettingsStore::saveError, holder, [holder, line](const QString &error) {
                line->setText(u"设置未能保存："_s + error);
                holder->setVisible(!error.isEmpty());
            });
    return holder;
}

QWidget *PreferencesView::makeSettingsCard(QWidget *parent)
{
    QVBoxLayout *layout = nullptr;
    QWidget *card = makeCard(parent, layout);

    auto *launch = new GlassCheckBox(u"开机启动"_s, {}, card);
    observe(&m_launchAtLoginService, &LaunchAtLoginService::isEnabledChanged,
            &LaunchAtLoginService::isEnabled, launch,
            [launch](bool on) { launch->setChecked(on); });
    connect(launch, &QAbstractButton::clicked, this, [this](bool on) {
        m_launchAtLoginService.setEnabled(on);
        // What the service really has, so a refused change is not stored as the user's wish.
        m_preferencesStore.setValue(SettingKeys::launchAtLogin, m_launchAtLoginService.isEnabled());
    });
    layout->addWidget(settingRow(u"启动方式:"_s, launch, card));

    // A row whose button shows a choice's title and opens its picker.
    const auto addPickerRow = [this, card, layout](const QString &label, const QString &name,
                                                   const auto &key, bool isAppearance) {
        auto *picker = new PickerButton(card);
        picker->setObjectName(name);
        m_preferencesStore.observe(key, picker, [picker, label](auto choice) {
            picker->setText(title(choice));
            // Read as the setting and its chosen value.
            picker->setAccessibleName(label + u' ' + title(choice));
            picker->updateGeometry();
        });
        connect(picker, &QAbstractButton::clicked, this,
                [this, picker, isAppearance] { presentPicker(picker, isAppearance); });
        layout->addWidget(settingRow(label, picker, card));
    };

    addPickerRow(u"外观模式:"_s, u"appearancePicker"_s, SettingKeys::appearanceMode, true);

    if (QWidget *recorder = makeShortcutRecorder(card)) {
        layout->addWidget(settingRow(u"快捷键:"_s, recorder, card));
        if (QWidget *status = makeShortcutStatus(card))
            layout->addWidget(status);
    }

    addPickerRow(u"菜单栏:"_s, u"menuBarPicker"_s, SettingKeys::menuBarStyle, false);
    return card;
}

QWidget *PreferencesView::makeShortcutRecorder(QWidget *parent)
{
    if (!m_shortcutService)
        return nullptr;
    auto *holder = new QWidget(parent);
    auto *layout = new QHBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    auto *field = new ShortcutRecorderField(holder);
    auto *clear = new XmarkButton(u"清除快捷键"_s, holder);
    layout->addWidget(field);
    layout->addWidget(clear, 0, Qt::AlignVCenter);

    field->setRecording(m_isRecordingShortcut);
    connect(field, &ShortcutRecorderField::recordingChanged, this,
            [this](bool recording) { m_isRecordingShortcut = recording; });
    // Where the desktop binds the shortcut, what it bound is what works, so that is shown.
    const auto showShortcut = [service = m_shortcutService, field, clear] {
        if (!service)
            return;
        const std::optional<Shortcut> shortcut = service->shortcut();
        if (shortcut && !service->desktopTrigger().isEmpty())
            field->setShortcutText(service->desktopTrigger());
        else if (shortcut)
            field->setShortcutText(displayText(*shortcut));
        else
            field->setShortcutText(ShortcutRecorderField::emptyShortcutText.toString());
        clear->setVisible(shortcut.has_value());
    };
    showShortcut();
    connect(m_shortcutService.data(), &ShortcutService::shortcutChanged, field, showShortcut);
    connect(m_shortcutService.data(), &ShortcutService::desktopTriggerChanged, field, showShortcut);
    field->setOnCapture([this, field](const std::optional<Shortcut> &shortcut) {
        if (!m_shortcutService)
            return;
        if (shortcut)
            m_shortcutService->setShortcut(shortcut);
        else
            m_shortcutService->clearShortcut();
        field->setRecording(false);
    });
    connect(clear, &QAbstractButton::clicked, this, [this, field] {
        field->setRecording(false);
        if (m_shortcutService)
            m_shortcutService->clearShortcut();
    });
    return holder;
}

QWidget *PreferencesView::makeShortcutStatus(QWidget *parent)
{
    if (m_shortcutService->mechanism() == KeyGrabber::Mechanism::keyGrab)
        return nullptr;
    auto *status = new QWidget(parent);
    status->setObjectName(u"shortcutStatus"_s);
    auto *layout = new QVBoxLayout(status);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    const auto addLine = [status, layout](const QString &text) {
        auto *line = new PanelLabel(
            text, AppFonts::ui(12, QFont::Normal),
            [] { return withOpacity(AppTheme::secondaryText(), 0.74); }, status);
        layout->addWidget(line);
        return line;
    };

    if (m_shortcutService->mechanism() == KeyGrabber::Mechanism::none) {
        for (const QString &line : noGlobalShortcutLines)
            addLine(line);
        return status;
    }
    // Until the desktop has bound the shortcut (it may be asking the user, or have been told no),
    // the shortcut shown is only what we asked for.
    PanelLabel *line = addLine({});
    const auto showState = [service = m_shortcutService, line] {
        if (!service)
            return;
        const bool waiting = service->shortcut() && service->desktopTrigger().isEmpty();
        line->setText(waiting ? shortcutNotBoundByDesktopText.toString()
                              : shortcutBoundByDesktopText.toString());
    };
    showState();
    connect(m_shortcutService.data(), &ShortcutService::shortcutChanged, line, showState);
    connect(m_shortcutService.data(), &ShortcutService::desktopTriggerChanged, line, showState);
    return status;
}

QWidget *PreferencesView::makeDateCard(QWidget *parent)
{
    QVBoxLayout *layout = nullptr;
    QWidget *card = makeCard(parent, layout);
    layout->addWidget(sectionTitle(u"日期选项"_s, card));
    PreferencesStore &store = m_preferencesStore;
    layout->addWidget(boundCheckBox(u"显示星期"_s, store, SettingKeys::showWeekday, card));
    layout->addWidget(boundCheckBox(u"显示日期"_s, store, SettingKeys::showDate, card));
    layout->addWidget(boundCheckBox(u"显示农历"_s, store, SettingKeys::showLunarCalendar, card));
    layout->addWidget(boundCheckBox(u"显示节日与节气"_s, store, SettingKeys::showFestivals, card));
    layout->addWidget(boundCheckBox(u"显示事件红点"_s, store, SettingKeys::showEventDots, card));
    layout->addWidget(boundCheckBox(u"显示周数"_s, store, SettingKeys::showWeekNumbers, card));

    // The three choices do not fit beside their label in the page's width.
    layout->addWidget(rowLabel(u"每周起始日"_s, card));
    auto *row = new QHBoxLayout;
    row->setSpacing(8);
    addChoiceButtons(row, store, SettingKeys::firstWeekday, card);
    row->addStretch(1);
    layout->addLayout(row);
    return card;
}

QWidget *PreferencesView::makeTimeCard(QWidget *parent)
{
    QVBoxLayout *layout = nullptr;
    QWidget *card = makeCard(parent, layout);
    layout->addWidget(sectionTitle(u"时间选项"_s, card));

    auto *row = new QHBoxLayout;
    row->setSpacing(8);
    addChoiceButtons(row, m_preferencesStore, SettingKeys::timeFormat, card);
    row->addWidget(bindToggle(new CapsuleToggle(u"显示秒"_s, card), m_preferencesStore,
                              SettingKeys::showSeconds));
    row->addStretch(1);
    layout->addLayout(row);

    auto *amPm = bindToggle(new CapsuleToggle(u"上午/下午"_s, card), m_preferencesStore,
                            SettingKeys::showAMPM);
    m_preferencesStore.observe(SettingKeys::timeFormat, amPm, [amPm](MenuBarTimeFormat format) {
        amPm->setVisible(format == MenuBarTimeFormat::twelveHour);
    });
    layout->addSpacing(8 - layout->spacing());
    layout->addWidget(amPm, 0, Qt::AlignLeft);
    return card;
}

QWidget *PreferencesView::makeCalendarCard(QWidget *parent)
{
    QVBoxLayout *layout = nullptr;
    QWidget *card = makeCard(parent, layout);
    layout->setAlignment(Qt::Alignment());
    m_calendarCardLayout = layout;
    rebuildCalendarSection();
    return card;
}

void PreferencesView::rebuildCalendarSection()
{
    if (!m_calendarCardLayout)
        return;
    QWidget *card = m_calendarCardLayout->parentWidget();
    const FocusPlace focus = focusPlace(m_calendarSection);
    if (m_calendarSection) {
        // The press that leads here may come from inside the old section.
        m_calendarSection->hide();
        m_calendarCardLayout->removeWidget(m_calendarSection);
        m_calendarSection->deleteLater();
    }

    auto *section = new QWidget(card);
    auto *layout = new QVBoxLayout(section);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);

    auto *titleRow = new QHBoxLayout;
    titleRow->setSpacing(8);
    titleRow->addWidget(sectionTitle(u"系统日历与提醒"_s, section));
    titleRow->addStretch(1);
    if (m_eventStoreService.hasFullCalendarAndReminderAccess()) {
        titleRow->addWidget(new AccessBadge(u"已授权"_s, section));
    } else if (m_eventStoreService.canRequestAdditionalAccess()) {
        auto *request =
            new ProminentButton(m_isRequestingCalendarAccess ? u"请求中"_s : u"请求权限"_s,
                                m_isRequestingCalendarAccess, section);
        request->setEnabled(!m_isRequestingCalendarAccess);
        connect(request, &QAbstractButton::clicked, this, &PreferencesView::requestCalendarAccess);
        titleRow->addWidget(request);
    } else {
        auto *open = new ProminentButton(u"打开设置"_s, false, section);
        connect(open, &QAbstractButton::clicked, this,
                [this] { m_eventStoreService.openCalendarPrivacySettings(); });
        titleRow->addWidget(open);
    }
    layout->addLayout(titleRow);

    const bool preview = m_preferencesStore.value(SettingKeys::usePreviewData);
    if (preview
        || m_eventStoreService.authorizationStatus() == CalendarAuthorizationStatus::authorized) {
        const QList<CalendarSource> calendars = preview ? PreviewCalendarFactory::calendars()
                                                        : m_eventStoreService.availableCalendars();
        if (calendars.isEmpty()) {
            auto *empty = new PanelLabel(
                u"当前没有可读取的系统日历。"_s, AppFonts::ui(12.5, QFont::Normal),
                [] { return withOpacity(AppTheme::secondaryText(), 0.74); }, section);
            layout->addWidget(empty);
        }
        for (const CalendarSource &calendar : calendars) {
            auto *box = new GlassCheckBox(calendar.title, calendar.sourceTitle, section);
            box->setObjectName(calendar.id);
            box->setProperty("calendarIdentifier", calendar.id);
            const QString id = calendar.id;
            m_preferencesStore.observe(
                SettingKeys::excludedCalendarIdentifiers, box,
                [this, box, id] { box->setChecked(m_preferencesStore.isCalendarEnabled(id)); });
            connect(box, &QAbstractButton::clicked, this,
                    [this, id](bool on) { m_preferencesStore.setCalendar(id, on); });
            layout->addWidget(box);
        }
    }

    m_calendarCardLayout->addWidget(section);
    m_calendarSection = section;
    section->show();
    restoreFocus(section, focus);
    if (QWidget *column = card->parentWidget())
        column->update();
}

void PreferencesView::requestCalendarAccess()
{
    m_isRequestingCalendarAccess = true;
    rebuildCalendarSection();
    m_eventStoreService.requestAccess(this, [this](bool granted) {
        m_isRequestingCalendarAccess = false;
        rebuildCalendarSection();
        if (!granted && !m_eventStoreService.hasFullCalendarAndReminderAccess())
            m_eventStoreService.openCalendarPrivacySettings();
    });
}

void PreferencesView::presentPicker(QWidget *anchor, bool appearance)
{
    if (m_picker)
        m_picker->close();
    bool &presented = appearance ? m_isAppearancePickerPresented : m_isMenuBarPickerPresented;
    presented = true;
    auto *popover = new PickerPopover(this, [this, appearance] {
        (appearance ? m_isAppearancePickerPresented : m_isMenuBarPickerPresented) = false;
    });
    auto *layout = static_cast<QVBoxLayout *>(popover->layout());
    OptionRow *current = nullptr;
    const auto addRow = [&](const QString &rowTitle, bool isCurrent, std::function<void()> choose) {
        auto *row = new OptionRow(rowTitle, isCurrent, popover);
        if (isCurrent)
            current = row;
        connect(row, &QAbstractButton::clicked, this, [popover, choose = std::move(choose)] {
            // Closed first: choosing an appearance builds the page anew.
            popover->close();
            choose();
        });
        layout->addWidget(row);
    };
    const auto addChoiceRows = [&](const auto &key) {
        for (const auto &entry : choiceCases(key.defaultValue)) {
            const auto choice = entry.value;
            addRow(QString::fromUtf16(entry.title), choice == m_preferencesStore.value(key),
                   [this, key, choice] { m_preferencesStore.setValue(key, choice); });
        }
    };
    if (appearance)
        addChoiceRows(SettingKeys::appearanceMode);
    else
        addChoiceRows(SettingKeys::menuBarStyle);
    popover->adjustSize();
    const QPoint below = anchor->mapToGlobal(QPoint(0, anchor->height()));
    popover->move(below - QPoint(PickerPopover::outerMargin, PickerPopover::outerMargin - 4));
    m_picker = popover;
    popover->show();
    // Opened from the keyboard or not, the arrows start from the current choice.
    if (current)
        current->setFocus(Qt::PopupFocusReason);
}
