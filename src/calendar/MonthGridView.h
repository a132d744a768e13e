#pragma once

#include "DayCellView.h"

#include <QList>
#include <QWidget>

#include <array>

class CalendarViewModel;
class FadeTransition;

// The displayed month as one grid of seven equal columns: the weekday labels, then 4, 5 or 6
// weeks starting on the chosen first weekday, never padded to a fixed count, with the weeks' ISO
// numbers in a narrow column on the left when they are shown. A click on a day selects it, a day
// of a neighbouring month included, which also shows that month. The grid is laid out in the
// contents rectangle; the margins around it leave room for the selection's shadow, and the week
// column reaches into the left one, where no shadow falls.
class MonthGridView : public QWidget
{
    Q_OBJECT
public:
    static constexpr std::array<QStringView, 7> weekdays = {u"周一", u"周二", u"周三", u"周四",
                                                            u"周五", u"周六", u"周日"};
    static constexpr qreal topPadding = 2;
    static constexpr qreal rowSpacing = 8;
    static constexpr qreal weekColumnWidth = 20;
    /// How much of the week column lies in the left margin rather than the days' width.
    static constexpr qreal weekColumnOverhang = 6;
    static constexpr QStringView weekColumnHeader = u"周";

    explicit MonthGridView(CalendarViewModel &viewModel, QWidget *parent = nullptr);
    ~MonthGridView() override;

    /// The cells as last built from the view model, rebuilt first if it changed since.
    [[nodiscard]] const QList<DayCellView> &cells() const;
    [[nodiscard]] int rowCount() const;
    /// The ISO week number of each row; empty while week numbers are off.
    [[nodiscard]] const QList<int> &weekNumbers() const;
    /// The week number's place beside a row; empty while week numbers are off.
    [[nodiscard]] QRectF weekNumberRect(int row) const;
    /// The weekday of a column, 1 = Monday … 7 = Sunday (QDate::dayOfWeek).
    [[nodiscard]] int columnWeekday(int column) const;
    /// A day's whole cell area in widget coordinates: its column, its row's height.
    [[nodiscard]] QRectF cellRect(int index) const;
    /// The cell under a point, or -1.
    [[nodiscard]] int cellIndexAt(QPointF point) const;
    /// The natural height of the grid for its cells, without the margins.
    [[nodiscard]] qreal naturalHeight() const;
    /// The selected cell while the selection is shown, or -1.
    [[nodiscard]] int selectedIndex() const;
    /// What a screen reader says for the cell: the whole day in one line.
    [[nodiscard]] QString cellDescription(int index) const;
    /// Selects the cell's day, as a click on it does.
    void selectCell(int index);
    /// Whether the keys go to the grid: it is its window's focus widget.
    [[nodiscard]] bool hasKeyboardFocus() const;

    void setAnimationsEnabled(bool enabled);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void invalidate();
    void announceMonth();
    void scheduleSelectionAnnouncement();
    void announceSelection();
    void rebuild() const;
    [[nodiscard]] qreal daysLeft() const;
    [[nodiscard]] qreal columnWidth() const;
    [[nodiscard]] qreal labelRowHeight() const;
    [[nodiscard]] qreal rowTop(int row) const;

    CalendarViewModel &m_viewModel;
    FadeTransition *m_transition;
    mutable QList<DayCellView> m_cells;
    mutable QList<qreal> m_rowHeights;
    mutable QList<int> m_weekNumbers;
    mutable int m_firstWeekday = 0;
    mutable bool m_stale = true;
    int m_pressedIndex = -1;
    bool m_announcementPending = false;
    // Tab brought the focus here: the selected day carries the focus ring.
    bool m_showsFocusRing = false;
    QDateTime m_announcedMonth;
};
