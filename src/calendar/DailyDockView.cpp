#include "DailyDockView.h"

#include "ActivitySpinner.h"
#include "CalendarViewModel.h"
#include "DailyEventRow.h"
#include "NewEventForm.h"
#include "SettingsIconLabel.h"
#include "look/AppFonts.h"
#include "look/AppTheme.h"
#include "look/BrandLogoView.h"
#include "look/DailySummaryBackground.h"
#include "look/DockCapsuleBackground.h"
#include "look/FocusRing.h"
#include "look/PanelLabel.h"
#include "shared/DateHelpers.h"

#include <QApplication>
#include <QBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
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

// The "+" beside the heading: a plus in a small circle on the capsule background.
class NewEventButton : public QAbstractButton
{
public:
    static constexpr int side = 26;

    explicit NewEventButton(QWidget *parent)
        : QAbstractButton(parent)
    {
        setFocusPolicy(Qt::NoFocus);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        setCursor(Qt::PointingHandCursor);
        setAccessibleName(u"新建日程"_s);
        setToolTip(u"新建日程 (N)"_s);
    }

    [[nodiscard]] QSize sizeHint() const override { return {side, side}; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF frame(0, 0, side, side);
        DockCapsuleBackground::paint(painter, frame);
        QColor color = AppTheme::accent();
        color.setAlphaF(isDown() ? 0.6 : 1.0);
        painter.setPen(QPen(color, 1.8, Qt::SolidLine, Qt::RoundCap));
        const QPointF center = frame.center();
        constexpr qreal arm = 5.5;
        painter.drawLine(center - QPointF(arm, 0), center + QPointF(arm, 0));
        painter.drawLine(center - QPointF(0, arm), center + QPointF(0, arm));
    }
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
    auto *headingRow = new QHBoxLayout;
    headingRow->setSpacing(8);
    headingRow->addWidget(m_heading, 1);
    m_newEventButton = new NewEventButton(m_card);
    connect(m_newEventButton, &QAbstractButton::clicked, this, &DailyDockView::startNewEvent);
    headingRow->addWidget(m_newEventButton, 0, Qt::AlignVCenter);
    cardLayout->addLayout(headingRow);

    m_form = new NewEventForm(viewModel, m_card);
    m_form->hide();
    cardLayout->addWidget(m_form);
    connect(m_form, &NewEventForm::cancelled, this, &DailyDockView::closeForm);
    connect(m_form, &NewEventForm::saved, this,
            [this](const CalendarWriteResult &created, const NewCalendarEvent &event) {
                closeForm();
                offerUndo(created, event.title);
            });

    m_undoRow = new QWidget(m_card);
    auto *undoLayout = new QHBoxLayout(m_undoRow);
    undoLayout->setContentsMargins(0, 0, 0, 0);
    undoLayout->setSpacing(8);
    m_undoText =
        new PanelLabel(QString(), AppFonts::ui(12.5, QFont::Medium), &secondaryDetail, m_undoRow);
    m_undoText->setMinimumScale(0.8);
    undoLayout->addWidget(m_undoText, 1);
    m_undoButton = new QPushButton(u"撤销"_s, m_undoRow);
    m_undoButton->setFlat(true);
    m_undoButton->setCursor(Qt::PointingHandCursor);
    m_undoButton->setStyleSheet(u"QPushButton { color: %1; border: none; padding: 0 4px; "
                                "font-weight: 600; }"_s.arg(AppTheme::accent().name()));
    undoLayout->addWidget(m_undoButton);
    connect(m_undoButton, &QPushButton::clicked, this, &DailyDockView::undo);
    m_undoRow->hide();
    cardLayout->addWidget(m_undoRow);
    m_undoTimer.setSingleShot(true);
    m_undoTimer.setInterval(undoDurationMs);
    connect(&m_undoTimer, &QTimer::timeout, m_undoRow, &QWidget::hide);
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
    connect(&viewModel, &CalendarViewModel::writableCalendarsChanged, this,
            &DailyDockView::scheduleRefresh);
    refresh();
}

DailyDockView::~DailyDockView() = default;

void DailyDockView::setOpenPreferences(std::function<void()> openPreferences)
{
    m_openPreferences = std::move(openPreferences);
}

void DailyDockView::startNewEvent()
{
    if (m_viewModel.writableCalendars().isEmpty())
        return;
    // A second "+" keeps what has been typed.
    if (!m_form->isHidden()) {
        m_form->titleField()->setFocus();
        return;
    }
    m_undoRow->hide();
    if (m_bodyWidget)
        m_bodyWidget->hide();
    m_form->show();
    m_form->start(CalendarViewModel::dayOf(m_viewModel.selectedDate()));
}

void DailyDockView::closeForm()
{
    m_form->hide();
    if (m_bodyWidget)
        m_bodyWidget->show();
    Q_EMIT newEventFormClosed();
}

void DailyDockView::offerUndo(const CalendarWriteResult &created, const QString &title)
{
    m_created = created;
    m_undoText->setText(u"已添加“%1”"_s.arg(title));
    m_undoButton->show();
    m_undoRow->show();
    m_undoTimer.start();
}

void DailyDockView::undo()
{
    m_undoTimer.stop();
    m_undoButton->hide();
    m_viewModel.removeCreatedEvent(m_created, this, [this](const CalendarWriteResult &result) {
        if (result.error.isEmpty()) {
            m_undoRow->hide();
            return;
        }
        m_undoText->setText(u"未能撤销：%1"_s.arg(result.error));
        m_undoTimer.start();
    });
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
    m_newEventButton->setVisible(!m_viewModel.writableCalendars().isEmpty());

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
    // The body sits under the heading, above the form and the undo line.
    cardLayout->insertWidget(1, m_bodyWidget);
    m_bodyWidget->setVisible(m_form->isHidden());

    if (rowFocused) {
        const QList<QAbstractButton *> chain = focusChain();
        chain.at(std::min(focused, chain.size() - 2))->setFocus(Qt::OtherFocusReason);
    }
}
