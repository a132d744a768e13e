#include "PreferenceSymbols.h"

#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>

namespace {

QPainterPath tick(const QRectF &box)
{
    QPainterPath path;
    path.moveTo(box.left() + box.width() * 0.12, box.top() + box.height() * 0.54);
    path.lineTo(box.left() + box.width() * 0.40, box.top() + box.height() * 0.80);
    path.lineTo(box.left() + box.width() * 0.88, box.top() + box.height() * 0.22);
    return path;
}

void stroke(QPainter &painter, const QPainterPath &path, const QColor &color, qreal weight)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color, weight, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    painter.restore();
}

} // namespace

void PreferenceSymbols::checkmark(QPainter &painter, const QRectF &box, const QColor &color,
                                  qreal weight)
{
    stroke(painter, tick(box), color, weight);
}

void PreferenceSymbols::chevronDown(QPainter &painter, const QRectF &box, const QColor &color,
                                    qreal weight)
{
    QPainterPath path;
    path.moveTo(box.left() + box.width() * 0.15, box.top() + box.height() * 0.35);
    path.lineTo(box.center().x(), box.top() + box.height() * 0.70);
    path.lineTo(box.right() - box.width() * 0.15, box.top() + box.height() * 0.35);
    stroke(painter, path, color, weight);
}

void PreferenceSymbols::xmark(QPainter &painter, const QRectF &box, const QColor &color,
                              qreal weight)
{
    const QRectF inner = box.adjusted(box.width() * 0.2, box.height() * 0.2, -box.width() * 0.2,
                                      -box.height() * 0.2);
    QPainterPath path;
    path.moveTo(inner.topLeft());
    path.lineTo(inner.bottomRight());
    path.moveTo(inner.topRight());
    path.lineTo(inner.bottomLeft());
    stroke(painter, path, color, weight);
}

void PreferenceSymbols::ellipsis(QPainter &painter, const QRectF &box, const QColor &color)
{
    const qreal radius = box.width() * 0.09;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    for (const qreal x : {0.2, 0.5, 0.8})
        painter.drawEllipse(QPointF(box.left() + box.width() * x, box.center().y()), radius,
                            radius);
    painter.restore();
}

void PreferenceSymbols::checkmarkCircleFill(QPainter &painter, const QRectF &box,
                                            const QColor &color)
{
    QPainterPath disc;
    disc.addEllipse(box);
    QPainterPathStroker stroker;
    stroker.setWidth(box.width() * 0.13);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    const QRectF inner = box.adjusted(box.width() * 0.24, box.height() * 0.24, -box.width() * 0.24,
                                      -box.height() * 0.24);
    const QPainterPath cut = stroker.createStroke(tick(inner));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(disc.subtracted(cut), color);
    painter.restore();
}
