#include "DailyDockView.h"

#include "ActivitySpinner.h"
#include "CalendarViewModel.h"
#include "DailyEventRow.h"
#include "DailySummaryBackground.h"
#include "DockCapsuleBackground.h"
#include "FocusRing.h"
#include "SettingsIconLabel.h"
#include "shared/AppFonts.h"
#include "shared/AppTheme.h"
#include "shared/BrandLogoView.h"
#include "shared/DateHelpers.h"
#include "shared/PanelLabel.h"

#include <QApplication>
#include <QBoxLayout>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QColor secondaryDetail()
{
    QColor color = AppTheme::secondaryText();
    color.setAlphaF(color.alphaF() * 0.74);
    return color;
}

// A widget that paints one of the dock's backgrounds behind its layout.
class SurfaceWidget : public QWidget
{
public:
    using Painter = std::function<void(QPainter &, const QRectF &)>;

    SurfaceWidget(Painter painter, QWidget *parent)
        : QWidget(parent)
        , m_painter(std::move(painter))
    {
        setAttribute(Qt::WA_TranslucentBackground);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        m_painter(painter, QRectF(rect()));
    }

private:
    Painter m_painter;
};

// The brand chip: the logo and the name in a capsule, a plain button that shows the selected
// day in the calendar application. It paints the logo's shadow, which falls outside the logo's
// own widget.
class BrandChip : public QAbstractButton
{
public:
    explicit BrandChip(QWidget *parent)
        : QAbstractButton(parent)
        , m_logo(new BrandLogoView(24, this))
    {
        setAttribute(Qt::WA_TranslucentBackground);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        setFocusPolicy(Qt::TabFocus);
        setAccessibleName(DailyDockView::appButtonName);
        QFont font = AppFonts::serif(13.5, QFont::Medium);
        font.setLetterSpacing(QFont::AbsoluteSpacing, 1.9);
        auto *name = new PanelLabel(DailyDockView::brandName, font, [] {
            QColor color = AppTheme::primaryText();
            color.setAlphaF(color.alphaF() * 0.8);
            return color;
        });
        auto *layout = new QHBoxLayout(this);
        layout->setContentsMargins(10, 7, 10, 7);
        layout->setSpacing(8);
        layout->addWidget(m_logo, 0, Qt::AlignVCenter);
        layout->addWidget(name, 0, Qt::AlignVCenter);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        DockCapsuleBackground::paint(painter, QRectF(rect()));
        BrandLogoView::paintShadow(painter, QRectF(m_logo->geometry()));
        if (hasFocus())
            FocusRing::paint(painter, QRectF(rect()), height() / 2.0);
    }

private:
    BrandLogoView *m_logo;
};

QString eventKey(const CalendarDayEvent &event)
{
    return event.id + QLatin1Char('\x1f') + event.title + QLatin1Char('\x1f') + event.timeText()
           + QLatin1Char('\x1f') + event.colorHex;
}

} // namespace

DailyDockView::DailyDockView(CalendarViewModel &viewModel, QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);

    m_card =
        new SurfaceWidget([](QPainter &painter,
                             const QRectF &rect) { DailySummaryBackground().paint(painter, rect); },
                          this);
    auto *cardLayout = new QVBoxLayout(m_card);
    cardLayout->setContentsMargins(14, 12, 14, 12);
    cardLayout->setSpacing(10);
    m_heading =
        new PanelLabel(QString(), AppFonts::ui(17, QFont::DemiBold), &AppTheme::primaryText);
    cardLayout->addWidget(m_heading);
    layout->addWidget(m_card);

    auto *footer = new SurfaceWidget(
        [](QPainter &painter, const QRectF &rect) { DailyFooterBackground().paint(painter, rect); },
        this);
    auto *footerLayout = new QHBoxLayout(footer);
    footerLayout->setContentsMargins(12, 9, 12, 9);
    footerLayout->setSpacing(10);
    m_appButton = new BrandChip(footer);
    connect(m_appButton, &QAbstractButton::clicked, &viewModel,
            &CalendarViewModel::openSelectedDay);
    footerLayout->addWidget(m_appButton, 0, Qt::AlignVCenter);
    footerLayout->addStretch(1);
    m_settingsButton = new SettingsIconLabel(footer);
    connect(m_settingsButton, &QAbstractButton::clicked, this, [this] {
        if (m_openPreferences)
            m_openPreferences();
    });
    footerLayout->addWidget(m_settingsButton, 0, Qt::AlignVCenter);
    layout->addWidget(footer);

    connect(&viewModel, &CalendarViewModel::selectedDateChanged, this,
            &DailyDockView::scheduleRefresh);
    connect(&viewModel, &CalendarViewModel::monthEventsChanged, this,
            &DailyDockView::scheduleRefresh);
    connect(&viewModel, &CalendarViewModel::isLoadingMonthChanged, this,
            &DailyDockView::scheduleRefresh);
    connect(&viewModel, &CalendarViewModel::changed, this, &DailyDockView::scheduleRefresh);
    refresh();
}

DailyDockView::~DailyDockView() = default;

void DailyDockView::setOpenPreferences(std::function<void()> openPreferences)
{
    m_openPreferences = std::move(openPreferences);
}

QString DailyDockView::headingText() const
{
    return m_heading->text();
}

QList<DailyEventRow *> DailyDockView::eventRows() const
{
    return m_bodyWidget ? m_bodyWidget->findChildren<DailyEventRow *>() : QList<DailyEventRow *>();
}

QList<QAbstractButton *> DailyDockView::focusChain() const
{
    QList<QAbstractButton *> chain;
    for (DailyEventRow *row : eventRows())
        chain.append(row);
    chain.append(m_appButton);
    chain.append(m_settingsButton);
    return chain;
}

void DailyDockView::scheduleRefresh()
{
    // A group of assignments, or a load that starts and ends in one pass, builds the body once.
    if (m_refreshPending)
        return;
    m_refreshPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_refreshPending = false;
            refresh();
        },
        Qt::QueuedConnection);
}

void DailyDockView::refresh()
{
    const bool loading = m_viewModel.isLoadingMonth();
    const QList<CalendarDayEvent> events = m_viewModel.selectedDayEvents();
    QString heading = loading || !events.isEmpty()
                          ? DateHelpers::longDescription(m_viewModel.selectedDate()) + eventsSuffix
                          : noEventsTitle;
    if (const auto festival = m_viewModel.festivalText(m_viewModel.selectedDate()))
        heading += u" · "_s + *festival;
    m_heading->setText(heading);

    Body body = Body::list;
    if (loading)
        body = Body::loading;
    else if (events.isEmpty())
        body = Body::empty;
    else if (events.size() > plainListLimit)
        body = Body::scrollingList;

    QStringList keys;
    if (body == Body::list || body == Body::scrollingList) {
        keys.reserve(events.size());
        for (const CalendarDayEvent &event : events)
            keys.append(eventKey(event));
    }
    if (m_bodyWidget && body == m_body && keys == m_shownKeys)
        return;
    m_body = body;
    m_shownKeys = keys;
    rebuildBody();
}

void DailyDockView::rebuildBody()
{
    // A focused row that goes hands the focus to the row in its place, or to the next control.
    const QList<QAbstractButton *> oldChain = focusChain();
    const qsizetype focused =
        oldChain.indexOf(qobject_cast<QAbstractButton *>(QApplication::focusWidget()));
    const bool rowFocused = focused >= 0 && focused < oldChain.size() - 2;

    auto *cardLayout = static_cast<QVBoxLayout *>(m_card->layout());
    if (m_bodyWidget) {
        cardLayout->removeWidget(m_bodyWidget);
        m_bodyWidget->hide();
        m_bodyWidget->deleteLater();
    }
    m_bodyWidget = nullptr;
    m_scrollArea = nullptr;

    switch (m_body) {
    case Body::loading: {
        auto *row = new QWidget(m_card);
        row->setAttribute(Qt::WA_TranslucentBackground);
        auto *rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        rowLayout->setSpacing(8);
        rowLayout->addWidget(new ActivitySpinner(16, row), 0, Qt::AlignVCenter);
        rowLayout->addWidget(
            new PanelLabel(loadingText, AppFonts::ui(12.5, QFont::Medium), &secondaryDetail, row),
            1, Qt::AlignVCenter);
        m_bodyWidget = row;
        break;
    }
    case Body::empty:
        m_bodyWidget = new PanelLabel(noEventsText, AppFonts::ui(12.5, QFont::Medium),
                                      &secondaryDetail, m_card);
        break;
    case Body::list:
    case Body::scrollingList: {
        const QList<CalendarDayEvent> events = m_viewModel.selectedDayEvents();
        auto *stack = new QWidget;
        stack->setAttribute(Qt::WA_TranslucentBackground);
        auto *stackLayout = new QVBoxLayout(stack);
        stackLayout->setContentsMargins(0, 0, 0, 0);
        stackLayout->setSpacing(8);
        for (const CalendarDayEvent &event : events) {
            stackLayout->addWidget(new DailyEventRow(
                event, [this, event] { m_viewModel.open(event); }, stack));
        }
        if (m_body == Body::list) {
            stack->setParent(m_card);
            m_bodyWidget = stack;
            break;
        }
        m_scrollArea = new QScrollArea(m_card);
        m_scrollArea->setFrameShape(QFrame::NoFrame);
        m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_scrollArea->setWidgetResizable(true);
        m_scrollArea->setAttribute(Qt::WA_TranslucentBackground);
        m_scrollArea->viewport()->setAutoFillBackground(false);
        m_scrollArea->setFocusPolicy(Qt::NoFocus);
        m_scrollArea->setWidget(stack);
        // setWidget() makes the list paint an opaque background; the card shows through.
        stack->setAutoFillBackground(false);
        m_scrollArea->setFixedHeight(
            std::min(int(events.size()) * rowHeightAllowance, scrollAreaMaximumHeight));
        m_bodyWidget = m_scrollArea;
        break;
    }
    }
    cardLayout->addWidget(m_bodyWidget);
    m_bodyWidget->show();

    if (rowFocused) {
        const QList<QAbstractButton *> chain = focusChain();
        chain.at(std::min(focused, chain.size() - 2))->setFocus(Qt::OtherFocusReason);
    }
}
