#include "TextAccessible.h"

#include <QWidget>

TextAccessible::TextAccessible(QWidget *widget, QAccessible::Role role,
                               std::function<QString()> name)
    : QAccessibleWidget(widget, role)
    , m_name(std::move(name))
{
}

QString TextAccessible::text(QAccessible::Text t) const
{
    if (t != QAccessible::Name)
        return QAccessibleWidget::text(t);
    const QString given = widget()->accessibleName();
    return given.isEmpty() ? m_name() : given;
}
