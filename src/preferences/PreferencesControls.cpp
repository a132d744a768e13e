#include "PreferencesControls.h"

#include "look/AppFonts.h"
#include "look/AppTheme.h"
#include "look/ContinuousCorners.h"
#include "look/FocusRing.h"
#include "look/GlassCheckboxToggleStyle.h"
#include "look/PreferenceSymbols.h"
#include "look/SoftShadow.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <utility>

namespace PreferencesControls {

namespace {

constexpr qreal cardCornerRadius = 18;
constexpr int cardPadding = 12;
constexpr char glassCardProperty[] = "tesselGlassCard";

QSize ceilSize(qreal width, qreal height)
{
    return {int(std::ceil(width)), int(std::ceil(height))};
}

qreal textWidth(const QFont &font, const QString &text)
{
    return QFontMetricsF(font).horizontalAdvance(text);
}

void drawLine(QPainter &painter, const QRectF &rect, const QString &text, const QFont &font,
              const QColor &color)
{
    painter.setFont(font);
    painter.setPen(color);
    const qreal top = rect.top() + (rect.height() - AppFonts::lineHeight(font)) / 2;
    painter.drawText(QPointF(rect.left(), top + AppFonts::baseline(font)),
                     QFontMetricsF(font).elidedText(text, Qt::ElideRight, rect.width() + 1));
}

// The card look: a rounded diagonal gradient with a hairline and a soft shadow under it.
void paintCard(QPainter &painter, const QRectF &rect)
{
    const QPainterPath shape = ContinuousCorners::roundedRect(rect, cardCornerRadius);
    SoftShadow::paint(painter, shape, AppTheme::surfaceShadow(), 12, QPointF(0, 4));
    QLinearGradient fill(rect.topLeft(), rect.bottomRight());
    fill.setColorAt(0, AppTheme::surfaceFillStrong());
    fill.setColorAt(1, AppTheme::surfaceFill());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(shape, fill);
    painter.setPen(QPen(AppTheme::surfaceStroke(), 1));
    painter.drawPath(ContinuousCorners::roundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5),
                                                    cardCornerRadius - 0.5));
    painter.restore();
}

// The title fonts: of a picker's button and rows, of a capsule toggle, and of the accent button
// and the access badge.
QFont pickerFont()
{
    return AppFonts::ui(13.5, QFont::DemiBold);
}

QFont toggleFont()
{
    return AppFonts::ui(12.5, QFont::DemiBold);
}

QFont prominentFont()
{
    return AppFonts::ui(13, QFont::DemiBold);
}

constexpr qreal chevronSize = 10;
// Room between a check box's label and its focus ring.
constexpr qreal labelFocusPadding = 5;
constexpr qreal indicatorSize = 8;

} // namespace

QColor withOpacity(QColor color, qreal opacity)
{
    color.setAlphaF(color.alphaF() * opacity);
    return color;
}

KeyboardFocusButton::KeyboardFocusButton(QWidget *parent)
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::TabFocus);
}

bool KeyboardFocusButton::showsFocusRing() const
{
    return m_keyboardFocus && hasFocus();
}

void KeyboardFocusButton::focusInEvent(QFocusEvent *event)
{
    QAbstractButton::focusInEvent(event);
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
        m_keyboardFocus = true;
}

void KeyboardFocusButton::focusOutEvent(QFocusEvent *event)
{
    QAbstractButton::focusOutEvent(event);
    // A popup or another window takes the focus for a while; it comes back as it left.
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason
        || reason == Qt::MouseFocusReason)
        m_keyboardFocus = false;
}

void KeyboardFocusButton::keyPressEvent(QKeyEvent *event)
{
    if (!m_keyboardFocus) {
        m_keyboardFocus = true;
        update();
    }
    QAbstractButton::keyPressEvent(event);
}

FocusPlace focusPlace(const QWidget *page)
{
    const auto *focused = qobject_cast<const KeyboardFocusButton *>(QApplication::focusWidget());
    if (!page || !focused || !page->isAncestorOf(focused))
        return {};
    return {page->findChildren<KeyboardFocusButton *>().indexOf(focused),
            focused->showsFocusRing()};
}

void restoreFocus(const QWidget *page, FocusPlace place)
{
    if (place.index < 0)
        return;
    const QList<KeyboardFocusButton *> buttons = page->findChildren<KeyboardFocusButton *>();
    if (buttons.isEmpty())
        return;
    buttons.at(std::min(place.index, buttons.size() - 1))
        ->setFocus(place.showsRing ? Qt::TabFocusReason : Qt::OtherFocusReason);
}

QWidget *makeCard(QWidget *parent, QVBoxLayout *&layout)
{
    auto *card = new QWidget(parent);
    card->setProperty(glassCardProperty, true);
    layout = new QVBoxLayout(card);
    layout->setContentsMargins(cardPadding, cardPadding, cardPadding, cardPadding);
    layout->setSpacing(10);
    layout->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return card;
}

void CardColumn::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    for (QObject *child : children()) {
        auto *card = qobject_cast<QWidget *>(child);
        if (card && card->isVisible() && card->property(glassCardProperty).toBool())
            paintCard(painter, QRectF(card->geometry()));
    }
}

GlassCheckBox::GlassCheckBox(const QString &label, const QString &subtitle, QWidget *parent)
    : KeyboardFocusButton(parent)
    , m_subtitle(subtitle)
{
    setText(label);
    setAccessibleDescription(subtitle);
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize GlassCheckBox::sizeHint() const
{
    // Two lines fill their height: the ring around them needs room above and below.
    return GlassCheckboxToggleStyle::sizeHint(text(), m_subtitle)
           + QSize(int(labelFocusPadding), m_subtitle.isEmpty() ? 0 : 4);
}

void GlassCheckBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    GlassCheckboxToggleStyle::paint(painter, QRectF(rect()), {isChecked(), isEnabled()}, text(),
                                    m_subtitle);
    // Around the label, as the box beside it leaves no room at the leading edge.
    if (showsFocusRing()) {
        const qreal left = GlassCheckboxToggleStyle::boxSize
                           + GlassCheckboxToggleStyle::labelSpacing - labelFocusPadding;
        const qreal right = std::min(width(), sizeHint().width());
        FocusRing::paint(painter, QRectF(left, 0, right - left, height()), 7);
    }
}

PickerButton::PickerButton(QWidget *parent)
    : KeyboardFocusButton(parent)
{
    setCursor(Qt::PointingHandCursor);
}

QSize PickerButton::sizeHint() const
{
    return ceilSize(10 + textWidth(pickerFont(), text()) + 6 + chevronSize + 10,
                    8 + AppFonts::lineHeight(pickerFont()) + 8);
}

void PickerButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QPainterPath capsule = ContinuousCorners::capsule(bounds);
    painter.fillPath(capsule, AppTheme::surfaceFillStrong());
    painter.setPen(QPen(AppTheme::surfaceStroke(), 1));
    painter.drawPath(capsule);
    const QRectF textRect(10, 0, width() - 20 - 6 - chevronSize, height());
    drawLine(painter, textRect, text(), pickerFont(), withOpacity(AppTheme::primaryText(), 0.86));
    const QRectF box(width() - 10 - chevronSize, (height() - chevronSize) / 2, chevronSize,
                     chevronSize);
    PreferenceSymbols::chevronDown(painter, box, withOpacity(AppTheme::secondaryText(), 0.78), 2);
    if (showsFocusRing())
        FocusRing::paint(painter, QRectF(rect()), height() / 2.0);
}

OptionRow::OptionRow(const QString &title, bool isCurrent, QWidget *parent)
    : KeyboardFocusButton(parent)
    , m_isCurrent(isCurrent)
{
    setText(title);
    setCheckable(true);
    setChecked(isCurrent);
    setCursor(Qt::PointingHandCursor);
}

QSize OptionRow::sizeHint() const
{
    return ceilSize(12 + std::max(textWidth(pickerFont(), text()), 72.0) + 10 + 11 + 12,
                    10 + AppFonts::lineHeight(pickerFont()) + 10);
}

void OptionRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape =
        ContinuousCorners::roundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 12);
    painter.fillPath(shape, m_isCurrent ? withOpacity(AppTheme::accentSoft(), 0.14)
                                        : AppTheme::surfaceFillMuted());
    // The arrows move the focus through the choices; the focused one is edged in the accent.
    painter.setPen(hasFocus() ? QPen(AppTheme::accent(), 2) : QPen(AppTheme::surfaceStroke(), 1));
    painter.drawPath(shape);
    drawLine(painter, QRectF(12, 0, width() - 24 - 11 - 10, height()), text(), pickerFont(),
             withOpacity(AppTheme::primaryText(), 0.9));
    if (m_isCurrent) {
        const QRectF box(width() - 12 - 11, (height() - 11) / 2.0, 11, 11);
        PreferenceSymbols::checkmark(painter, box, AppTheme::accent(), 2);
    }
}

CapsuleToggle::CapsuleToggle(const QString &title, QWidget *parent)
    : KeyboardFocusButton(parent)
{
    setText(title);
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
}

QSize CapsuleToggle::sizeHint() const
{
    return ceilSize(9 + indicatorSize + 6 + textWidth(toggleFont(), text()) + 9,
                    8 + AppFonts::lineHeight(toggleFont()) + 8);
}

void CapsuleToggle::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QPainterPath capsule = ContinuousCorners::capsule(bounds);
    QLinearGradient fill(bounds.topLeft(), bounds.bottomLeft());
    fill.setColorAt(0, AppTheme::surfaceFillStrong());
    fill.setColorAt(1, AppTheme::surfaceFillMuted());
    painter.fillPath(capsule, fill);
    painter.setPen(QPen(AppTheme::surfaceStroke(), 1));
    painter.drawPath(capsule);

    const bool on = isChecked();
    const QRectF dot(9, (height() - indicatorSize) / 2.0, indicatorSize, indicatorSize);
    painter.setBrush(on ? AppTheme::accent() : AppTheme::surfaceFillStrong());
    painter.setPen(
        QPen(on ? AppTheme::surfaceStroke() : withOpacity(AppTheme::secondaryText(), 0.24), 1));
    painter.drawEllipse(dot);
    drawLine(painter, QRectF(dot.right() + 6, 0, width() - dot.right() - 6 - 9, height()), text(),
             toggleFont(),
             on ? withOpacity(AppTheme::primaryText(), 0.92)
                : withOpacity(AppTheme::secondaryText(), 0.88));
    if (showsFocusRing())
        FocusRing::paint(painter, QRectF(rect()), height() / 2.0);
}

ProminentButton::ProminentButton(const QString &title, bool showsEllipsis, QWidget *parent)
    : KeyboardFocusButton(parent)
    , m_showsEllipsis(showsEllipsis)
{
    setText(title);
    setCursor(Qt::PointingHandCursor);
}

QSize ProminentButton::sizeHint() const
{
    const qreal symbol = m_showsEllipsis ? 13 + 4 : 0;
    return ceilSize(10 + symbol + textWidth(prominentFont(), text()) + 10,
                    5 + AppFonts::lineHeight(prominentFont()) + 5);
}

void ProminentButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(isEnabled() ? (isDown() ? 0.85 : 1.0) : 0.6);
    // An accent ring shows only apart from the accent fill, so the fill draws back inside it.
    const qreal inset = showsFocusRing() ? FocusRing::width + 1 : 0.5;
    const QPainterPath shape = ContinuousCorners::roundedRect(
        QRectF(rect()).adjusted(inset, inset, -inset, -inset), 7 - (inset - 0.5));
    painter.fillPath(shape, AppTheme::accent());
    painter.setPen(QPen(AppTheme::onAccentStroke(), 1));
    painter.drawPath(shape);
    qreal left = 10;
    if (m_showsEllipsis) {
        PreferenceSymbols::ellipsis(painter, QRectF(left, (height() - 13) / 2.0, 13, 13),
                                    AppTheme::onAccentText());
        left += 13 + 4;
    }
    drawLine(painter, QRectF(left, 0, width() - left - 10, height()), text(), prominentFont(),
             AppTheme::onAccentText());
    if (showsFocusRing())
        FocusRing::paint(painter, QRectF(rect()), 7);
}

AccessBadge::AccessBadge(const QString &text, QWidget *parent)
    : QWidget(parent)
    , m_text(text)
{
    setAccessibleName(text);
}

QSize AccessBadge::sizeHint() const
{
    return ceilSize(14 + 4 + textWidth(prominentFont(), m_text),
                    AppFonts::lineHeight(prominentFont()) + 4);
}

void AccessBadge::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    PreferenceSymbols::checkmarkCircleFill(painter, QRectF(0, (height() - 14) / 2.0, 14, 14),
                                           AppTheme::accent());
    drawLine(painter, QRectF(18, 0, width() - 18, height()), m_text, prominentFont(),
             AppTheme::accent());
}

XmarkButton::XmarkButton(const QString &name, QWidget *parent)
    : KeyboardFocusButton(parent)
{
    setToolTip(name);
    setAccessibleName(name);
    setCursor(Qt::PointingHandCursor);
    setFixedSize(22, 22);
}

void XmarkButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setBrush(AppTheme::surfaceFillMuted());
    painter.setPen(QPen(AppTheme::surfaceStroke(), 1));
    painter.drawEllipse(bounds);
    const QRectF box(bounds.center().x() - 5.5, bounds.center().y() - 5.5, 11, 11);
    PreferenceSymbols::xmark(painter, box, withOpacity(AppTheme::secondaryText(), 0.82), 2);
    if (showsFocusRing())
        FocusRing::paint(painter, QRectF(rect()), width() / 2.0);
}

PickerPopover::PickerPopover(QWidget *parent, std::function<void()> onHide)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint)
    , m_onHide(std::move(onHide))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(outerMargin + innerPadding, outerMargin + innerPadding,
                               outerMargin + innerPadding, outerMargin + innerPadding);
    layout->setSpacing(6);
}

void PickerPopover::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintCard(painter,
              QRectF(rect()).adjusted(outerMargin, outerMargin, -outerMargin, -outerMargin));
}

void PickerPopover::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        focusNextPrevChild(event->key() == Qt::Key_Down);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto *row = qobject_cast<QAbstractButton *>(focusWidget())) {
            row->click();
            return;
        }
        break;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

void PickerPopover::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (m_onHide)
        std::exchange(m_onHide, nullptr)();
}

} // namespace PreferencesControls
