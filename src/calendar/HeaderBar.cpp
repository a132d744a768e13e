#include "HeaderBar.h"

#include "CalendarViewModel.h"
#include "FadeTransition.h"
#include "PanelAccessibility.h"
#include "PanelText.h"
#include "shared/AppFonts.h"
#include "shared/AppTheme.h"
#include "shared/DateHelpers.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr qreal lunarMinimumScale = 0.74;

const QFont &titleFont()
{
    static const QFont font = AppFonts::ui(27, QFont::DemiBold);
    return font;
}

const QFont &lunarFont()
{
    static const QFont font = AppFonts::ui(12.5, QFont::Medium);
    return font;
}

} // namespace

HeaderBar::HeaderBar(CalendarViewModel &viewModel, QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_transition(new FadeTransition(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(&viewModel, &CalendarViewModel::animatedChangeStarted, this,
            [this](int durationMs) { m_transition->start(durationMs); });
    connect(&viewModel, &CalendarViewModel::displayedMonthChanged, this,
            qOverload<>(&QWidget::update));
    connect(&viewModel, &CalendarViewModel::selectedDateChanged, this,
            qOverload<>(&QWidget::update));
    const auto announce = [this] {
        PanelAccessibility::headerChanged(this);
    };
    connect(&viewModel, &CalendarViewModel::displayedMonthChanged, this, announce);
    connect(&viewModel, &CalendarViewModel::selectedDateChanged, this, announce);
    connect(&viewModel, &CalendarViewModel::changed, this, qOverload<>(&QWidget::update));
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
    QString text = DateHelpers::lunarYearMonthDayText(day).replace(u" "_s, u" · "_s);
    if (const auto festival = m_viewModel.festivalText(day))
        text += u" · "_s + *festival;
    return text;
}

QRectF HeaderBar::lunarRect() const
{
    // The title keeps its full width; the gap between the two is the row's spacing on both
    // sides of a flexible space of at least 8.
    const qreal titleWidth = PanelText::width(titleFont(), titleText());
    const qreal available = width() - titleWidth - 2 * spacing - minimumGap;
    const qreal lunarWidth =
        std::clamp(std::min(PanelText::width(lunarFont(), lunarText()), lunarMaximumWidth), 0.0,
                   std::max(0.0, available));
    return {width() - lunarWidth, lunarTopPadding, lunarWidth, AppFonts::lineHeight(lunarFont())};
}

QSize HeaderBar::sizeHint() const
{
    const qreal height = std::max(AppFonts::lineHeight(titleFont()),
                                  lunarTopPadding + AppFonts::lineHeight(lunarFont()));
    return {300, int(std::ceil(height))};
}

QSize HeaderBar::minimumSizeHint() const
{
    return {int(std::ceil(PanelText::width(titleFont(), titleText()))), sizeHint().height()};
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
