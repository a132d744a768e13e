#include "SettingsIconLabel.h"

#include "look/AppTheme.h"
#include "look/DockCapsuleBackground.h"
#include "look/FocusRing.h"
#include "look/SymbolPaths.h"

#include <QPainter>

namespace {

constexpr qreal symbolSize = 14.5;
constexpr qreal symbolOpacity = 0.74;
constexpr qreal pressedOpacity = 0.7;

} // namespace

SettingsIconLabel::SettingsIconLabel(QWidget *parent)
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("设置"));
}

SettingsIconLabel::~SettingsIconLabel() = default;

QSize SettingsIconLabel::sizeHint() const
{
    return {side, side};
}

bool SettingsIconLabel::hitButton(const QPoint &position) const
{
    const QPointF offset = QPointF(position) + QPointF(0.5, 0.5) - QRectF(rect()).center();
    const qreal radius = side / 2.0;
    return offset.x() * offset.x() + offset.y() * offset.y() <= radius * radius;
}

void SettingsIconLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame(0, 0, side, side);
    DockCapsuleBackground::paint(painter, frame);

    QColor color = AppTheme::primaryText();
    color.setAlphaF(color.alphaF() * symbolOpacity * (isDown() ? pressedOpacity : 1.0));
    const QSizeF size = SymbolPaths::gearshapeSize(symbolSize);
    const QRectF box(frame.center() - QPointF(size.width() / 2, size.height() / 2), size);
    painter.fillPath(SymbolPaths::gearshape(box, symbolSize * 0.11), color);
    if (hasFocus())
        FocusRing::paint(painter, frame, side / 2.0);
}
