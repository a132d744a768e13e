#pragma once

#include "events/CalendarDayEvent.h"

#include <QAbstractButton>

#include <functional>

// One event of the selected day as a plain button: a bar in the calendar's colour beside the
// title and the time. Pressing it runs its action; Tab gives it the keyboard focus, which its
// focus ring shows.
class DailyEventRow : public QAbstractButton
{
    Q_OBJECT
public:
    static constexpr qreal barWidth = 3;
    static constexpr qreal barHeight = 30;
    static constexpr qreal cornerRadius = 12;

    DailyEventRow(const CalendarDayEvent &event, std::function<void()> action,
                  QWidget *parent = nullptr);
    ~DailyEventRow() override;

    [[nodiscard]] const CalendarDayEvent &event() const { return m_event; }
    /// The calendar's colour, the accent when its text is not a colour.
    [[nodiscard]] QColor barColor() const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    CalendarDayEvent m_event;
    QString m_timeText;
    std::function<void()> m_action;
};
