#include "MonthGridView.h"

#include "AccessibleText.h"
#include "CalendarViewModel.h"
#include "FadeTransition.h"
#include "PanelAccessibility.h"
#include "look/AppFonts.h"
#include "look/AppTheme.h"
#include "look/FocusRing.h"
#include "look/PanelText.h"
#include "shared/SystemTimeZone.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QFont &weekdayFont()
{
    static const QFont font = AppFonts::ui(12.5, QFont::DemiBold);
    return font;
}

const QFont &weekNumberFont()
{
    static const QFont font = AppFonts::ui(11, QFont::Medium);
    return font;
}

} // namespace

MonthGridView::MonthGridView(CalendarViewModel &viewModel, QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_transition(new FadeTransition(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
    m_announcedMonth = viewModel.displayedMonth();

    connect(&viewModel, &CalendarViewModel::animatedChangeStarted, this,
            [this](int durationMs) { m_transition->start(durationMs); });
    connect(&viewModel, &CalendarViewModel::displayedMonthChanged, this,
            &MonthGridView::invalidate);
    connect(&viewModel, &CalendarViewModel::selectedDateChanged, this, &MonthGridView::invalidate);
    connect(&viewModel, &CalendarViewModel::hasVisibleSelectionChanged, this,
            &MonthGridView::invalidate);
    connect(&viewModel, &CalendarViewModel::monthEventsChanged, this, &MonthGridView::invalidate);
    connect(&viewModel, &CalendarViewModel::changed, this, &MonthGridView::invalidate);

    // Screen readers follow the month and the selected day.
    connect(&viewModel, &CalendarViewModel::displayedMonthChanged, this,
            &MonthGridView::announceMonth);
    connect(&viewModel, &CalendarViewModel::monthEventsChanged, this,
            &MonthGridView::announceMonth);
    connect(&viewModel, &CalendarViewModel::changed, this, &MonthGridView::announceMonth);
    connect(&viewModel, &CalendarViewModel::displayedMonthChanged, this,
            &MonthGridView::scheduleSelectionAnnouncement);
    connect(&viewModel, &CalendarViewModel::selectedDateChanged, this,
            &MonthGridView::scheduleSelectionAnnouncement);
    connect(&viewModel, &CalendarViewModel::hasVisibleSelectionChanged, this,
            &MonthGridView::scheduleSelectionAnnouncement);
}

MonthGridView::~MonthGridView() = default;

void MonthGridView::setAnimationsEnabled(bool enabled)
{
    m_transition->setEnabled(enabled);
}

const QList<DayCellView> &MonthGridView::cells() const
{
    if (m_stale)
        rebuild();
    return m_cells;
}

int MonthGridView::rowCount() const
{
    return int(cells().size() / 7);
}

const QList<int> &MonthGridView::weekNumbers() const
{
    static_cast<void>(cells());
    return m_weekNumbers;
}

QRectF MonthGridView::weekNumberRect(int row) const
{
    if (row < 0 || row >= weekNumbers().size())
        return {};
    return {contentsRect().left() - weekColumnOverhang, rowTop(row), weekColumnWidth,
            m_rowHeights.at(row)};
}

int MonthGridView::columnWeekday(int column) const
{
    static_cast<void>(cells());
    // CivilCalendar counts from Sunday = 1, QDate from Monday = 1.
    return (m_firstWeekday + 5 + column) % 7 + 1;
}

void MonthGridView::invalidate()
{
    // Built again on the next read, once for a whole group of assignments.
    m_stale = true;
    updateGeometry();
    update();
}

void MonthGridView::rebuild() const
{
    m_stale = false;
    m_cells.clear();
    m_rowHeights.clear();
    const QList<QDateTime> dates = m_viewModel.gridDates();
    m_weekNumbers = m_viewModel.weekNumbers();
    m_firstWeekday = m_viewModel.firstWeekday();
    const bool selectionShown = m_viewModel.hasVisibleSelection();
    m_cells.reserve(dates.size());
    for (const QDateTime &date : dates) {
        DayCellView cell;
        cell.date = date;
        cell.isCurrentMonth = m_viewModel.isInDisplayedMonth(date);
        cell.isSelected = selectionShown && m_viewModel.isSelected(date);
        cell.isToday = m_viewModel.isToday(date);
        cell.dotColor = m_viewModel.eventDotColor(date);
        // A festival first, then a solar term, then the lunar day; two festivals on one day
        // show the first, which is what fits the cell.
        if (const auto festival = m_viewModel.festivalText(date)) {
            cell.subtitle = festival->section(u'、', 0, 0);
            cell.subtitleIsNamedDay = true;
        } else {
            cell.subtitle = m_viewModel.lunarText(date);
        }
        cell.arrangement = m_viewModel.arrangement(date);
        m_cells.append(cell);
    }
    for (qsizetype start = 0; start + 7 <= m_cells.size(); start += 7) {
        qreal height = 0;
        for (qsizetype i = start; i < start + 7; ++i)
            height = std::max(height, m_cells.at(i).naturalHeight());
        m_rowHeights.append(height);
    }
}

qreal MonthGridView::daysLeft() const
{
    const qreal weekColumn = weekNumbers().isEmpty() ? 0 : weekColumnWidth - weekColumnOverhang;
    return contentsRect().left() + weekColumn;
}

qreal MonthGridView::columnWidth() const
{
    return (QRectF(contentsRect()).right() - daysLeft()) / 7.0;
}

qreal MonthGridView::labelRowHeight() const
{
    return AppFonts::lineHeight(weekdayFont());
}

qreal MonthGridView::rowTop(int row) const
{
    // The row heights come with the cells.
    static_cast<void>(cells());
    qreal y = contentsRect().top() + topPadding + labelRowHeight() + rowSpacing;
    for (int r = 0; r < row; ++r)
        y += m_rowHeights.at(r) + rowSpacing;
    return y;
}

qreal MonthGridView::naturalHeight() const
{
    const int rows = rowCount();
    const qreal bottom = rows == 0 ? contentsRect().top() + topPadding + labelRowHeight()
                                   : rowTop(rows) - rowSpacing;
    return bottom - contentsRect().top();
}

int MonthGridView::selectedIndex() const
{
    const QList<DayCellView> &all = cells();
    const auto found = std::find_if(all.cbegin(), all.cend(),
                                    [](const DayCellView &cell) { return cell.isSelected; });
    return found == all.cend() ? -1 : int(found - all.cbegin());
}

QString MonthGridView::cellDescription(int index) const
{
    if (index < 0 || index >= cells().size())
        return {};
    const DayCellView &cell = cells().at(index);
    AccessibleText::Day day;
    day.date = SystemTimeZone::civilDate(cell.date);
    day.lunarDate = m_viewModel.lunarDateText(cell.date);
    // Festivals and terms as the grid shows them; with them hidden, the holiday still counts.
    if (const auto festival = m_viewModel.festivalText(cell.date))
        day.occasions.append(*festival);
    else if (const auto holiday = m_viewModel.holidayName(cell.date))
        day.occasions.append(*holiday);
    switch (m_viewModel.arrangement(cell.date)) {
    case HolidayService::Arrangement::dayOff:
        day.occasions.append(u"放假"_s);
        break;
    case HolidayService::Arrangement::workday:
        day.occasions.append(u"调休上班"_s);
        break;
    case HolidayService::Arrangement::none:
        break;
    }
    day.isToday = cell.isToday;
    day.isSelected = cell.isSelected;
    const QList<CalendarDayEvent> events = m_viewModel.events(cell.date);
    day.eventCount = events.size();
    if (cell.isSelected)
        day.listedEvents = events;
    return AccessibleText::day(day);
}

void MonthGridView::selectCell(int index)
{
    if (index < 0 || index >= cells().size())
        return;
    // The view model replaces the cells; keep the date, not a reference into them.
    const QDateTime date = cells().at(index).date;
    m_viewModel.select(date);
}

void MonthGridView::announceMonth()
{
    PanelAccessibility::gridChanged(this);
}

bool MonthGridView::hasKeyboardFocus() const
{
    return window()->focusWidget() == this;
}

void MonthGridView::scheduleSelectionAnnouncement()
{
    // Once for a group of assignments, after the month's events have loaded, so that the day
    // is read with them.
    if (m_announcementPending)
        return;
    m_announcementPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_announcementPending = false;
            announceSelection();
        },
        Qt::QueuedConnection);
}

void MonthGridView::announceSelection()
{
    if (!isVisible())
        return;
    const QDateTime month = m_viewModel.displayedMonth();
    if (std::exchange(m_announcedMonth, month) != month)
        PanelAccessibility::gridMonthReplaced(this);
    PanelAccessibility::gridSelectionChanged(this);
}

QRectF MonthGridView::cellRect(int index) const
{
    if (index < 0 || index >= cells().size())
        return {};
    const int row = index / 7;
    const int column = index % 7;
    return {daysLeft() + column * columnWidth(), rowTop(row), columnWidth(), m_rowHeights.at(row)};
}

int MonthGridView::cellIndexAt(QPointF point) const
{
    const int count = int(cells().size());
    for (int row = 0; row < count / 7; ++row) {
        const qreal top = rowTop(row);
        if (point.y() < top || point.y() >= top + m_rowHeights.at(row))
            continue;
        const int column = int(std::floor((point.x() - daysLeft()) / columnWidth()));
        return column >= 0 && column < 7 ? row * 7 + column : -1;
    }
    return -1;
}

QSize MonthGridView::sizeHint() const
{
    const QMargins margins = contentsMargins();
    return {300 + margins.left() + margins.right(),
            int(std::ceil(naturalHeight())) + margins.top() + margins.bottom()};
}

QSize MonthGridView::minimumSizeHint() const
{
    return {70, sizeHint().height()};
}

void MonthGridView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setOpacity(m_transition->incomingOpacity());

    const qreal column = columnWidth();
    QColor labelColor = AppTheme::secondaryText();
    labelColor.setAlphaF(labelColor.alphaF() * 0.82);
    const qreal labelTop = contentsRect().top() + topPadding;
    for (int i = 0; i < 7; ++i) {
        PanelText::draw(painter,
                        QRectF(daysLeft() + i * column, labelTop, column, labelRowHeight()),
                        weekdays[size_t(columnWeekday(i) - 1)].toString(), weekdayFont(),
                        labelColor, Qt::AlignHCenter);
    }

    const QList<DayCellView> &all = cells();
    for (int i = 0; i < all.size(); ++i)
        all.at(i).paint(painter, cellRect(i));
    if (m_showsFocusRing && hasFocus() && selectedIndex() >= 0) {
        const DayCellView &selected = all.at(selectedIndex());
        constexpr qreal outset = 2 * FocusRing::width;
        QRectF ring(0, 0, selected.selectionWidth + 2 * outset,
                    DayCellView::backdropHeight + 2 * outset);
        ring.moveCenter(cellRect(selectedIndex()).center());
        FocusRing::paint(painter, ring, selected.selectionCornerRadius + outset);
    }

    // The week column: headed like the weekdays, each number on its row's day number line.
    if (!weekNumbers().isEmpty()) {
        const QRectF header(weekNumberRect(0).left(), labelTop, weekColumnWidth, labelRowHeight());
        PanelText::draw(painter, header, weekColumnHeader.toString(), weekdayFont(), labelColor,
                        Qt::AlignHCenter);
        for (int row = 0; row < weekNumbers().size(); ++row) {
            PanelText::draw(painter, DayCellView().dayNumberRect(weekNumberRect(row)),
                            QString::number(weekNumbers().at(row)), weekNumberFont(),
                            AppTheme::secondaryText(), Qt::AlignHCenter);
        }
    }

    m_transition->paintOutgoing(painter);
}

void MonthGridView::mousePressEvent(QMouseEvent *event)
{
    m_pressedIndex = event->button() == Qt::LeftButton ? cellIndexAt(event->position()) : -1;
    event->accept();
}

void MonthGridView::mouseReleaseEvent(QMouseEvent *event)
{
    const int pressed = std::exchange(m_pressedIndex, -1);
    if (event->button() != Qt::LeftButton || pressed < 0
        || cellIndexAt(event->position()) != pressed)
        return;
    selectCell(pressed);
}

void MonthGridView::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The first click has selected the day.
    if (event->button() == Qt::LeftButton && cellIndexAt(event->position()) >= 0)
        m_viewModel.openSelectedDay();
}

void MonthGridView::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    m_showsFocusRing = false;
    update();
}

void MonthGridView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    scheduleSelectionAnnouncement();
}

void MonthGridView::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    m_showsFocusRing =
        event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    update();
    // After the focus event Qt sends for the table itself, the day takes the focus.
    scheduleSelectionAnnouncement();
}
