#include "DailyEventRow.h"

#include "AccessibleText.h"
#include "look/AppFonts.h"
#include "look/AppTheme.h"
#include "look/ContinuousCorners.h"
#include "look/FocusRing.h"
#include "look/PanelText.h"
#include "look/SurfaceCache.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr qreal horizontalPadding = 10;
constexpr qreal verticalPadding = 8;
constexpr qreal spacing = 10;
constexpr qreal lineSpacing = 2;
// A plain button shows that it is held down by dimming its label.
constexpr qreal pressedOpacity = 0.7;

const QFont &titleFont()
{
    static const QFont font = AppFonts::ui(13.5, QFont::DemiBold);
    return font;
}

const QFont &timeFont()
{
    static const QFont font = AppFonts::ui(11.5, QFont::Medium);
    return font;
}

} // namespace

DailyEventRow::DailyEventRow(const CalendarDayEvent &event, std::function<void()> action,
                             QWidget *parent)
    : QAbstractButton(parent)
    , m_event(event)
    , m_timeText(event.timeText())
    , m_action(std::move(action))
{
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setText(event.title);
    setAccessibleName(AccessibleText::event(event));
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_action)
            m_action();
    });
}

DailyEventRow::~DailyEventRow() = default;

QColor DailyEventRow::barColor() const
{
    return AppTheme::color(m_event.colorHex).value_or(AppTheme::accent());
}

QSize DailyEventRow::sizeHint() const
{
    const qreal textHeight =
        AppFonts::lineHeight(titleFont()) + lineSpacing + AppFonts::lineHeight(timeFont());
    const qreal height = 2 * verticalPadding + std::max(barHeight, textHeight);
    return {272, int(std::ceil(height))};
}

QSize DailyEventRow::minimumSizeHint() const
{
    return {int(2 * horizontalPadding + barWidth + spacing), sizeHint().height()};
}

void DailyEventRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);

    const QRectF frame(rect());
    painter.fillPath(ContinuousCorners::roundedRect(frame, cornerRadius),
                     AppTheme::surfaceFillMuted());
    constexpr qreal pen = 0.7;
    painter.strokePath(
        ContinuousCorners::roundedRect(frame.adjusted(pen / 2, pen / 2, -pen / 2, -pen / 2),
                                       cornerRadius - pen / 2),
        QPen(AppTheme::surfaceStroke(), pen));

    if (isDown())
        painter.setOpacity(pressedOpacity);

    const QRectF content =
        frame.adjusted(horizontalPadding, verticalPadding, -horizontalPadding, -verticalPadding);
    const QRectF bar(content.left(), content.top(), barWidth, barHeight);
    painter.fillPath(ContinuousCorners::capsule(bar), barColor());

    const qreal textLeft = bar.right() + spacing;
    const qreal titleHeight = AppFonts::lineHeight(titleFont());
    const QRectF titleRect(textLeft, content.top(), content.right() - textLeft, titleHeight);
    PanelText::draw(painter, titleRect, m_event.title, titleFont(), AppTheme::primaryText());

    QColor timeColor = AppTheme::secondaryText();
    timeColor.setAlphaF(timeColor.alphaF() * 0.76);
    const QRectF timeRect(textLeft, titleRect.bottom() + lineSpacing, titleRect.width(),
                          AppFonts::lineHeight(timeFont()));
    PanelText::draw(painter, timeRect, m_timeText, timeFont(), timeColor);

    if (hasFocus())
        FocusRing::paint(painter, frame, cornerRadius);
}
