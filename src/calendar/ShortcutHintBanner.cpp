#include "ShortcutHintBanner.h"

#include "look/AppFonts.h"
#include "look/AppTheme.h"
#include "look/ContinuousCorners.h"
#include "look/PanelText.h"
#include "look/SymbolPaths.h"

#include <QPainter>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace {

constexpr qreal textSize = 11.5;
constexpr qreal spacing = 8;
constexpr qreal horizontalPadding = 11;
constexpr qreal verticalPadding = 7;
constexpr qreal textMinimumScale = 0.8;

const QFont &textFont()
{
    static const QFont font = AppFonts::ui(textSize, QFont::Medium);
    return font;
}

} // namespace

ShortcutHintBanner::ShortcutHintBanner(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

ShortcutHintBanner::~ShortcutHintBanner() = default;

void ShortcutHintBanner::setPresence(qreal presence)
{
    presence = std::clamp(presence, 0.0, 1.0);
    if (presence == m_presence)
        return;
    m_presence = presence;
    updateGeometry();
    update();
}

void ShortcutHintBanner::leave(int durationMs)
{
    if (!m_animation) {
        m_animation = new QVariantAnimation(this);
        m_animation->setEasingCurve(QEasingCurve::OutCubic);
        connect(m_animation, &QVariantAnimation::valueChanged, this,
                [this](const QVariant &value) { setPresence(value.toReal()); });
        connect(m_animation, &QVariantAnimation::finished, this, [this] {
            hide();
            Q_EMIT left();
        });
    }
    m_animation->stop();
    if (durationMs <= 0 || !isVisible()) {
        setPresence(0);
        hide();
        Q_EMIT left();
        return;
    }
    m_animation->setStartValue(m_presence);
    m_animation->setEndValue(0.0);
    m_animation->setDuration(durationMs);
    m_animation->start();
}

qreal ShortcutHintBanner::capsuleHeight() const
{
    const qreal symbolHeight = SymbolPaths::keyboardSize(textSize).height();
    return 2 * verticalPadding + std::max(AppFonts::lineHeight(textFont()), symbolHeight);
}

qreal ShortcutHintBanner::contentWidth() const
{
    return SymbolPaths::keyboardSize(textSize).width() + spacing
           + PanelText::width(textFont(), text);
}

QRectF ShortcutHintBanner::capsuleRect() const
{
    const qreal widthNeeded = 2 * horizontalPadding + contentWidth();
    const qreal capsuleWidth = std::min<qreal>(widthNeeded, width());
    return {(width() - capsuleWidth) / 2, 0, capsuleWidth, capsuleHeight()};
}

QSize ShortcutHintBanner::sizeHint() const
{
    const qreal full = std::ceil(capsuleHeight()) + trailingGap;
    return {int(std::ceil(2 * horizontalPadding + contentWidth())),
            int(std::round(full * m_presence))};
}

QSize ShortcutHintBanner::minimumSizeHint() const
{
    return {0, sizeHint().height()};
}

void ShortcutHintBanner::paintEvent(QPaintEvent *)
{
    if (m_presence <= 0)
        return;
    QPainter painter(this);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.setOpacity(m_presence);
    // Slides up out of its slot as it leaves.
    const QRectF capsule = capsuleRect().translated(0, -(1 - m_presence) * capsuleHeight());

    const QPainterPath shape = ContinuousCorners::capsule(capsule);
    painter.fillPath(shape, AppTheme::surfaceFillMuted());
    constexpr qreal pen = 0.8;
    painter.strokePath(
        ContinuousCorners::capsule(capsule.adjusted(pen / 2, pen / 2, -pen / 2, -pen / 2)),
        QPen(AppTheme::surfaceStroke(), pen));

    const QRectF content =
        capsule.adjusted(horizontalPadding, verticalPadding, -horizontalPadding, -verticalPadding);
    const QSizeF symbolSize = SymbolPaths::keyboardSize(textSize);
    const QRectF symbolBox(QPointF(content.left(), content.center().y() - symbolSize.height() / 2),
                           symbolSize);
    painter.fillPath(SymbolPaths::keyboard(symbolBox, textSize * 0.115), AppTheme::accent());

    QColor textColor = AppTheme::secondaryText();
    textColor.setAlphaF(textColor.alphaF() * 0.86);
    const QRectF textRect(symbolBox.right() + spacing, content.top(),
                          content.right() - symbolBox.right() - spacing, content.height());
    PanelText::draw(painter, textRect, text, textFont(), textColor, Qt::AlignLeft,
                    textMinimumScale);
}
