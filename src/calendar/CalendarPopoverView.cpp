#include "CalendarPopoverView.h"

#include "CalendarKeyboardShortcutMonitor.h"
#include "CalendarViewModel.h"
#include "DailyDockView.h"
#include "HeaderBar.h"
#include "MonthGridView.h"
#include "PanelAccessibility.h"
#include "ScrollWheelMonthSwitcher.h"
#include "ShortcutHintBanner.h"
#include "look/PopoverGlassBackground.h"
#include "preferences/PreferencesStore.h"
#include "shared/DesktopColorScheme.h"
#include "shared/EffectiveAppearanceObserver.h"
#include "shared/SettingsStore.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBoxLayout>
#include <QEvent>
#include <QPainter>

#include <cmath>

CalendarPopoverView::CalendarPopoverView(CalendarViewModel &viewModel,
                                         PreferencesStore &preferencesStore,
                                         DesktopColorScheme *desktopColorScheme, QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_preferencesStore(preferencesStore)
    , m_desktopColorScheme(desktopColorScheme ? desktopColorScheme : new DesktopColorScheme(this))
    , m_appearanceObserver(new EffectiveAppearanceObserver(this, *m_desktopColorScheme, this))
    , m_keyboardMonitor(new CalendarKeyboardShortcutMonitor(this))
    , m_wheelSwitcher(new ScrollWheelMonthSwitcher(this))
{
    PanelAccessibility::install();
    setAttribute(Qt::WA_TranslucentBackground);
    // The grid takes the focus for the view; Tab goes on to the dock's controls.
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    connect(m_keyboardMonitor, &CalendarKeyboardShortcutMonitor::previousMonth, &viewModel,
            &CalendarViewModel::previousMonth);
    connect(m_keyboardMonitor, &CalendarKeyboardShortcutMonitor::nextMonth, &viewModel,
            &CalendarViewModel::nextMonth);
    connect(m_keyboardMonitor, &CalendarKeyboardShortcutMonitor::previousYear, &viewModel,
            &CalendarViewModel::previousYear);
    connect(m_keyboardMonitor, &CalendarKeyboardShortcutMonitor::nextYear, &viewModel,
            &CalendarViewModel::nextYear);
    connect(m_keyboardMonitor, &CalendarKeyboardShortcutMonitor::goToToday, &viewModel,
            &CalendarViewModel::goToToday);
    connect(m_keyboardMonitor, &CalendarKeyboardShortcutMonitor::newEvent, this, [this] {
        if (m_dailyDock)
            m_dailyDock->startNewEvent();
    });
    connect(m_keyboardMonitor, &CalendarKeyboardShortcutMonitor::moveSelection, &viewModel,
            &CalendarViewModel::moveSelection);
    connect(m_keyboardMonitor, &CalendarKeyboardShortcutMonitor::activate, this,
            &CalendarPopoverView::activateFocused);
    connect(m_keyboardMonitor, &CalendarKeyboardShortcutMonitor::close, this, [this] {
        if (m_closePanel)
            m_closePanel();
    });
    m_keyboardMonitor->watch(this);
    connect(m_wheelSwitcher, &ScrollWheelMonthSwitcher::previousMonth, &viewModel,
            &CalendarViewModel::previousMonth);
    connect(m_wheelSwitcher, &ScrollWheelMonthSwitcher::nextMonth, &viewModel,
            &CalendarViewModel::nextMonth);

    m_shortcutHintTimer.setSingleShot(true);
    m_shortcutHintTimer.setInterval(shortcutHintDurationMs);
    connect(&m_shortcutHintTimer, &QTimer::timeout, this,
            [this] { hideShortcutHint(m_animationsEnabled ? shortcutHintLeaveMs : 0); });

    // The identity holds the appearance mode and the refresh token, both published as changes.
    connect(&preferencesStore, &PreferencesStore::changed, this,
            &CalendarPopoverView::followIdentity);

    m_identity = identityText();
    rebuildContent();
}

CalendarPopoverView::~CalendarPopoverView() = default;

void CalendarPopoverView::setOpenPreferences(std::function<void()> openPreferences)
{
    m_openPreferences = std::move(openPreferences);
}

void CalendarPopoverView::setClosePanel(std::function<void()> closePanel)
{
    m_closePanel = std::move(closePanel);
}

void CalendarPopoverView::activateFocused()
{
    auto *button = qobject_cast<QAbstractButton *>(QApplication::focusWidget());
    if (button && isAncestorOf(button))
        button->click();
    else
        m_viewModel.openSelectedDay();
}

void CalendarPopoverView::setOnContentHeightChange(HeightHandler onContentHeightChange)
{
    m_onContentHeightChange = std::move(onContentHeightChange);
    if (m_onContentHeightChange && m_contentHeight > 0)
        m_onContentHeightChange(m_contentHeight);
}

QString CalendarPopoverView::identityText() const
{
    return rawValue(m_preferencesStore.value(SettingKeys::appearanceMode)) + QLatin1Char('-')
           + m_preferencesStore.appearanceRefreshToken().toString(QUuid::WithoutBraces).toUpper();
}

void CalendarPopoverView::setAnimationsEnabled(bool enabled)
{
    m_animationsEnabled = enabled;
    if (m_headerBar)
        m_headerBar->setAnimationsEnabled(enabled);
    if (m_monthGrid)
        m_monthGrid->setAnimationsEnabled(enabled);
}

void CalendarPopoverView::followIdentity()
{
    const QString identity = identityText();
    if (identity == m_identity)
        return;
    m_identity = identity;
    rebuildContent();
}

void CalendarPopoverView::rebuildContent()
{
    // An appearance change may come through the settings button; the grid keeps the focus.
    const bool hadFocus = m_content && m_content->isAncestorOf(QApplication::focusWidget());
    if (m_content) {
        // The change may come from inside the old content, such as its settings button.
        m_content->removeEventFilter(this);
        m_content->hide();
        m_content->deleteLater();
    }

    auto *content = new QWidget(this);
    content->setAttribute(Qt::WA_TranslucentBackground);
    auto *layout = new QVBoxLayout(content);
    // The grid spans the whole width so that the selection's shadow is not cut at the padding;
    // the other parts keep the padding around them.
    layout->setContentsMargins(0, padding.top(), 0, padding.bottom());
    layout->setSpacing(0);
    const auto addPadded = [layout](QWidget *widget) {
        auto *row = new QHBoxLayout;
        row->setContentsMargins(padding.left(), 0, padding.right(), 0);
        row->addWidget(widget);
        layout->addLayout(row);
    };
    layout->setSizeConstraint(QLayout::SetNoConstraint);

    m_headerBar = new HeaderBar(m_viewModel, content);
    m_banner = new ShortcutHintBanner(content);
    m_monthGrid = new MonthGridView(m_viewModel, content);
    m_dailyDock = new DailyDockView(m_viewModel, content);
    m_dailyDock->setOpenPreferences([this] {
        if (m_openPreferences)
            m_openPreferences();
    });
    connect(m_dailyDock, &DailyDockView::newEventFormClosed, this, qOverload<>(&QWidget::setFocus));

    // The banner carries the stack's spacing under it, so that it can close up as it leaves;
    // the grid carries it in its bottom margin, where the shadow of a selected last week falls.
    addPadded(m_headerBar);
    layout->addSpacing(stackSpacing);
    addPadded(m_banner);
    m_monthGrid->setContentsMargins(padding.left(), 0, padding.right(), stackSpacing);
    layout->addWidget(m_monthGrid);
    addPadded(m_dailyDock);
    layout->addStretch(1);

    m_banner->setVisible(m_isShowingShortcutHint);
    connect(m_banner, &ShortcutHintBanner::left, this, [this] { m_isShowingShortcutHint = false; });
    m_wheelSwitcher->watch(m_monthGrid);
    setFocusProxy(m_monthGrid);
    if (hadFocus)
        m_monthGrid->setFocus(Qt::OtherFocusReason);
    setAnimationsEnabled(m_animationsEnabled);

    m_content = content;
    content->installEventFilter(this);
    content->setGeometry(0, 0, panelWidth, std::max(height(), 1));
    content->show();

    m_appearanceObserver->update(
        [this](ColorScheme appearance) { m_preferencesStore.refreshSystemAppearance(appearance); });
    updateContentHeight();
    update();
}

qreal CalendarPopoverView::measureContent() const
{
    if (!m_content || !m_content->layout())
        return 0;
    QLayout *layout = m_content->layout();
    layout->activate();
    return layout->sizeHint().height();
}

void CalendarPopoverView::updateContentHeight()
{
    const qreal height = std::ceil(measureContent());
    if (height <= 0)
        return;
    if (m_content)
        m_content->setGeometry(0, 0, panelWidth, int(height));
    if (height == m_contentHeight)
        return;
    m_contentHeight = height;
    // A layout holding the view goes by the size hint, which is fixed.
    resize(panelWidth, int(height));
    updateGeometry();
    if (m_onContentHeightChange)
        m_onContentHeightChange(height);
}

QSize CalendarPopoverView::sizeHint() const
{
    return {panelWidth, int(std::ceil(m_contentHeight > 0 ? m_contentHeight : measureContent()))};
}

void CalendarPopoverView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    PopoverGlassBackground::paint(painter, QRectF(rect()));
}

void CalendarPopoverView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    showShortcutHintIfNeeded();
    updateContentHeight();
}

void CalendarPopoverView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    // Closing the panel cuts the wait short; the banner goes at once.
    if (m_shortcutHintTimer.isActive()) {
        m_shortcutHintTimer.stop();
        hideShortcutHint(0);
    }
}

bool CalendarPopoverView::eventFilter(QObject *watched, QEvent *event)
{
    // The content's layout has handled the request before its event filters see it.
    if (watched == m_content && event->type() == QEvent::LayoutRequest)
        updateContentHeight();
    return QWidget::eventFilter(watched, event);
}

bool CalendarPopoverView::focusNextPrevChild(bool next)
{
    QList<QWidget *> ring{m_monthGrid};
    for (QAbstractButton *control : m_dailyDock->focusChain())
        ring.append(control);
    const qsizetype focused = ring.indexOf(QApplication::focusWidget());
    if (focused < 0)
        return QWidget::focusNextPrevChild(next);
    const qsizetype step = next ? 1 : ring.size() - 1;
    ring.at((focused + step) % ring.size())
        ->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void CalendarPopoverView::showShortcutHintIfNeeded()
{
    if (m_preferencesStore.value(SettingKeys::didShowShortcutHint))
        return;
    m_preferencesStore.setValue(SettingKeys::didShowShortcutHint, true);
    m_isShowingShortcutHint = true;
    if (m_banner) {
        m_banner->setPresence(1);
        m_banner->show();
    }
    m_shortcutHintTimer.start();
}

void CalendarPopoverView::hideShortcutHint(int durationMs)
{
    if (m_banner && m_banner->isVisible()) {
        m_banner->leave(durationMs);
        return;
    }
    m_isShowingShortcutHint = false;
}
