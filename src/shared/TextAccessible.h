#pragma once

#include <QAccessibleWidget>

#include <functional>

// A painted text that reads as one static text (or heading) to screen readers. A name set on the
// widget wins over the painted one.
class TextAccessible : public QAccessibleWidget
{
public:
    TextAccessible(QWidget *widget, QAccessible::Role role, std::function<QString()> name);

    [[nodiscard]] QString text(QAccessible::Text t) const override;

private:
    std::function<QString()> m_name;
};
