#include "HeaderBar.h"

#include "CalendarViewModel.h"
#include "FadeTransition.h"
#include "PanelAccessibility.h"
#include "holidays/LunarCalendarService.h"
#include "look/AppFonts.h"
#include "look/AppTheme.h"
#include "look/PanelText.h"
#include "shared/DateHelpers.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

const QFont &HeaderBar::titleFont()
{
    static const QFont font = AppFonts::ui(27, QFont::DemiBold);
    return font;
}

const QFont &HeaderBar::lunarFont()
{
    static const QFont font = AppFonts::ui(12.5, QFont::Medium);
    return font;
}

HeaderBar::HeaderBar(CalendarViewModel &viewModel, QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_transition(new FadeTransition(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(&viewModel, &CalendarViewModel::animatedChangeStarted, this,
            [this](int durationMs) { m_transition->start(durationMs); });
    // A new text may need the second line, or no longer need it.
    const auto textChanged = [this] {
        updateGeometry();
        update();
    };
    connect(&viewModel, &CalendarViewModel::displayedMonthChanged, this, textChanged);
    connect(&viewModel, &CalendarViewModel::selectedDateChanged, this, textChanged);
    const auto announce = [this] {
        PanelAccessibility::headerChanged(this);
    };
    connect(&viewModel, &CalendarViewModel::displayedMonthChanged, this, announce);
    connect(&viewModel, &CalendarViewModel::selectedDateChanged, this, announce);
    // Festivals shown or hidden change the lunar line's length too.
    connect(&viewModel, &CalendarViewModel::changed, this, textChanged);
}

HeaderBar::~HeaderBar() = default;

void HeaderBar::setAnimationsEnabled(bool enabled)
{
    m_transition->setEnabled(enabled);
}

QString HeaderBar::titleText() const
{
    return DateHelpers::monthYearText(m_viewModel.displayedMonth());
}

QString HeaderBar::lunarText() const
{
    const QDateTime day = m_viewModel.selectedDate();
    QString text = LunarCalendarService::lunarYearMonthDayText(day).replace(u" "_s, u" · "_s);
    if (const auto festival = m_viewModel.festivalText(day))
        text += u" · "_s + *festival;
    return text;
}

qreal HeaderBar::roomBesideTitle() const
{
    // The title keeps its full width; the gap between the two is the row's spacing on both
    // sides of a flexible space of at least 8.
    const qreal titleWidth = PanelText::width(titleFont(), titleText());
    return std::max(0.0, width() - titleWidth - 2 * spacing - minimumGap);
}

bool HeaderBar::isLunarOnItsOwnLine() const
{
    // Under wider font metrics than the design's, the lunar line moves under the title rather
    // than being cut. Until the layout has given the row its width, one line is assumed.
    if (!testAttribute(Qt::WA_Resized))
        return false;
    const QString text = lunarText();
    const QFont smallest = PanelText::fittingFont(lunarFont(), text, 0, lunarMinimumScale);
    return PanelText::width(smallest, text) > std::min(roomBesideTitle(), lunarMaximumWidth) + 0.5;
}

QRectF HeaderBar::lunarRect() const
{
    const qreal natural = PanelText::width(lunarFont(), lunarText());
    if (isLunarOnItsOwnLine()) {
        const qreal lunarWidth = std::min(natural, qreal(width()));
        return {width() - lunarWidth, AppFonts::lineHeight(titleFont()) + ownLineGap, lunarWidth,
                AppFonts::lineHeight(lunarFont())};
    }
    const qreal lunarWidth = std::min({natural, lunarMaximumWidth, roomBesideTitle()});
    return {width() - lunarWidth, lunarTopPadding, lunarWidth, AppFonts::lineHeight(lunarFont())};
}

QSize HeaderBar::sizeHint() const
{
    const qreal titleHeight = AppFonts::lineHeight(titleFont());
    const qreal lunarHeight = AppFonts::lineHeight(lunarFont());
    const qreal height = isLunarOnItsOwnLine()
                             ? titleHeight + ownLineGap + lunarHeight
                             : std::max(titleHeight, lunarTopPadding + lunarHeight);
    return {300, int(std::ceil(height))};
}

QSize HeaderBar::minimumSizeHint() const
{
    return {int(std::ceil(PanelText::width(titleFont(), titleText()))), sizeHint().height()};
}

void HeaderBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (sizeHint().height() != height())
        updateGeometry();
}

void HeaderBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setOpacity(m_transition->incomingOpacity());

    const QString title = titleText();
    PanelText::draw(
        painter,
        QRectF(0, 0, PanelText::width(titleFont(), title), AppFonts::lineHeight(titleFont())),
        title, titleFont(), AppTheme::accent());

    QColor lunarColor = AppTheme::secondaryText();
    lunarColor.setAlphaF(lunarColor.alphaF() * 0.82);
    PanelText::draw(painter, lunarRect(), lunarText(), lunarFont(), lunarColor, Qt::AlignRight,
                    lunarMinimumScale);

    m_transition->paintOutgoing(painter);
}
