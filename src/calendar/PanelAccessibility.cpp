#include "PanelAccessibility.h"

#include "AccessibleText.h"
#include "HeaderBar.h"
#include "MonthGridView.h"
#include "ShortcutHintBanner.h"
#include "shared/DateHelpers.h"
#include "shared/TextAccessible.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

using namespace Qt::StringLiterals;

namespace {

constexpr int columns = 7;

// A child without a widget of its own, drawn by its parent widget.
class PaintedChild : public QAccessibleInterface
{
public:
    explicit PaintedChild(QAccessibleInterface *parent)
        : m_parentId(QAccessible::uniqueId(parent))
    {
    }

    [[nodiscard]] QObject *object() const override { return nullptr; }
    [[nodiscard]] QAccessibleInterface *parent() const override
    {
        return QAccessible::accessibleInterface(m_parentId);
    }
    [[nodiscard]] QWindow *window() const override
    {
        QAccessibleInterface *owner = parent();
        return owner ? owner->window() : nullptr;
    }
    [[nodiscard]] QAccessibleInterface *child(int) const override { return nullptr; }
    [[nodiscard]] QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    [[nodiscard]] int childCount() const override { return 0; }
    [[nodiscard]] int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    void setText(QAccessible::Text, const QString &) override { }

protected:
    [[nodiscard]] QWidget *ownerWidget() const
    {
        QAccessibleInterface *owner = parent();
        return owner ? qobject_cast<QWidget *>(owner->object()) : nullptr;
    }
    [[nodiscard]] QAccessible::State visibility() const
    {
        QAccessible::State state;
        const QWidget *owner = ownerWidget();
        state.invisible = !owner || !owner->isVisible();
        return state;
    }
    [[nodiscard]] QRect globalRect(const QRectF &local) const
    {
        const QWidget *owner = ownerWidget();
        if (!owner)
            return {};
        const QRect area = local.toAlignedRect();
        return {owner->mapToGlobal(area.topLeft()), area.size()};
    }

private:
    QAccessible::Id m_parentId;
};

// The month title (0) or the selected day's lunar line (1) of the header.
class HeaderLineAccessible : public PaintedChild
{
public:
    HeaderLineAccessible(QAccessibleInterface *parent, HeaderBar *header, int line)
        : PaintedChild(parent)
        , m_header(header)
        , m_line(line)
    {
    }

    [[nodiscard]] bool isValid() const override { return !m_header.isNull(); }
    [[nodiscard]] QAccessible::Role role() const override
    {
        return m_line == 0 ? QAccessible::Heading : QAccessible::StaticText;
    }
    [[nodiscard]] QAccessible::State state() const override
    {
        QAccessible::State state = visibility();
        state.readOnly = true;
        return state;
    }
    [[nodiscard]] QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name || !m_header)
            return {};
        return m_line == 0 ? m_header->titleText() : m_header->lunarText();
    }
    [[nodiscard]] QRect rect() const override
    {
        if (!m_header)
            return {};
        return globalRect(m_line == 0
                              ? QRectF(0, 0, m_header->width() - m_header->lunarRect().width(),
                                       m_header->height())
                              : m_header->lunarRect());
    }

private:
    QPointer<HeaderBar> m_header;
    int m_line;
};

// The header as a group of its two painted lines.
class HeaderBarAccessible : public QAccessibleWidget
{
public:
    explicit HeaderBarAccessible(HeaderBar *header)
        : QAccessibleWidget(header, QAccessible::Grouping)
    {
    }
    ~HeaderBarAccessible() override
    {
        for (const QAccessible::Id id : m_lines)
            QAccessible::deleteAccessibleInterface(id);
    }

    [[nodiscard]] int childCount() const override { return 2; }
    [[nodiscard]] QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= 2)
            return nullptr;
        if (!m_lines[index]) {
            auto *self = const_cast<HeaderBarAccessible *>(this);
            m_lines[index] = QAccessible::registerAccessibleInterface(
                new HeaderLineAccessible(self, static_cast<HeaderBar *>(widget()), index));
        }
        return QAccessible::accessibleInterface(m_lines[index]);
    }
    [[nodiscard]] int indexOfChild(const QAccessibleInterface *child) const override
    {
        for (int i = 0; i < 2; ++i) {
            if (m_lines[i] && QAccessible::accessibleInterface(m_lines[i]) == child)
                return i;
        }
        return -1;
    }

private:
    mutable QAccessible::Id m_lines[2] = {0, 0};
};

class MonthGridAccessible;

// A weekday of the header row (index < 7) or a day of the grid.
class GridItemAccessible : public PaintedChild,
                           public QAccessibleTableCellInterface,
                           public QAccessibleActionInterface
{
public:
    GridItemAccessible(MonthGridAccessible *table, MonthGridView *grid, int childIndex);

    [[nodiscard]] bool isHeader() const { return m_childIndex < columns; }
    [[nodiscard]] int cellIndex() const { return m_childIndex - columns; }

    [[nodiscard]] bool isValid() const override
    {
        return m_grid && (isHeader() || cellIndex() < m_grid->cells().size());
    }
    [[nodiscard]] QAccessible::Role role() const override
    {
        return isHeader() ? QAccessible::ColumnHeader : QAccessible::Cell;
    }
    [[nodiscard]] QAccessible::State state() const override
    {
        QAccessible::State state = visibility();
        state.readOnly = true;
        if (!isHeader() && isValid()) {
            const bool selected = m_grid->selectedIndex() == cellIndex();
            state.selectable = true;
            state.focusable = true;
            state.selected = selected;
            state.focused = selected && m_grid->hasKeyboardFocus();
        }
        return state;
    }
    [[nodiscard]] QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name || !isValid())
            return {};
        return isHeader() ? AccessibleText::weekday(m_grid->columnWeekday(m_childIndex))
                          : m_grid->cellDescription(cellIndex());
    }
    [[nodiscard]] QRect rect() const override
    {
        if (!isValid())
            return {};
        if (isHeader()) {
            const QRectF first = m_grid->cellRect(0);
            const qreal top = m_grid->contentsRect().top();
            return globalRect(QRectF(first.left() + m_childIndex * first.width(), top,
                                     first.width(), std::max(0.0, first.top() - top)));
        }
        return globalRect(m_grid->cellRect(cellIndex()));
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (isHeader())
            return nullptr;
        if (type == QAccessible::TableCellInterface)
            return static_cast<QAccessibleTableCellInterface *>(this);
        if (type == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface *>(this);
        return nullptr;
    }

    // A day cell of the table.
    [[nodiscard]] bool isSelected() const override { return state().selected; }
    [[nodiscard]] QList<QAccessibleInterface *> columnHeaderCells() const override;
    [[nodiscard]] QList<QAccessibleInterface *> rowHeaderCells() const override;
    [[nodiscard]] int columnIndex() const override { return cellIndex() % columns; }
    [[nodiscard]] int rowIndex() const override { return cellIndex() / columns; }
    [[nodiscard]] int columnExtent() const override { return 1; }
    [[nodiscard]] int rowExtent() const override { return 1; }
    [[nodiscard]] QAccessibleInterface *table() const override { return parent(); }

    // Pressing a day selects it, as a click does.
    [[nodiscard]] QStringList actionNames() const override
    {
        return {pressAction(), setFocusAction()};
    }
    void doAction(const QString &name) override
    {
        if (m_grid && (name == pressAction() || name == setFocusAction()))
            m_grid->selectCell(cellIndex());
    }
    [[nodiscard]] QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    MonthGridAccessible *m_table;
    QPointer<MonthGridView> m_grid;
    int m_childIndex;
};

// The week number beside a row, while week numbers are shown.
class RowHeaderAccessible : public PaintedChild
{
public:
    RowHeaderAccessible(QAccessibleInterface *table, MonthGridView *grid, int row)
        : PaintedChild(table)
        , m_grid(grid)
        , m_row(row)
    {
    }

    [[nodiscard]] bool isValid() const override
    {
        return m_grid && m_row < m_grid->weekNumbers().size();
    }
    [[nodiscard]] QAccessible::Role role() const override { return QAccessible::RowHeader; }
    [[nodiscard]] QAccessible::State state() const override
    {
        QAccessible::State state = visibility();
        state.readOnly = true;
        return state;
    }
    [[nodiscard]] QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name || !isValid())
            return {};
        return AccessibleText::week(m_grid->weekNumbers().at(m_row));
    }
    [[nodiscard]] QRect rect() const override
    {
        return isValid() ? globalRect(m_grid->weekNumberRect(m_row)) : QRect();
    }

private:
    QPointer<MonthGridView> m_grid;
    int m_row;
};

// The grid as a table: the seven weekday headers, one cell per day row by row, then the rows'
// week numbers while they are shown.
class MonthGridAccessible : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    explicit MonthGridAccessible(MonthGridView *grid)
        : QAccessibleWidget(grid, QAccessible::Table)
        , m_announcedCount(dayChildCount())
        , m_announcedRows(int(grid->weekNumbers().size()))
        , m_announcedSelection(grid->selectedIndex())
    {
    }
    ~MonthGridAccessible() override
    {
        for (const QAccessible::Id id : std::as_const(m_children))
            QAccessible::deleteAccessibleInterface(id);
        for (const QAccessible::Id id : std::as_const(m_rowHeaders))
            QAccessible::deleteAccessibleInterface(id);
    }

    [[nodiscard]] MonthGridView *grid() const { return static_cast<MonthGridView *>(widget()); }

    [[nodiscard]] QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name)
            return QAccessibleWidget::text(t);
        // The month the grid shows: any day of it names it.
        for (const DayCellView &cell : grid()->cells()) {
            if (cell.isCurrentMonth)
                return DateHelpers::monthYearText(cell.date);
        }
        return {};
    }
    // The headers and the days; the row headers follow them.
    [[nodiscard]] int dayChildCount() const { return columns + int(grid()->cells().size()); }
    [[nodiscard]] int childCount() const override
    {
        return dayChildCount() + int(grid()->weekNumbers().size());
    }
    [[nodiscard]] QAccessibleInterface *rowHeader(int row) const
    {
        if (row < 0 || row >= grid()->weekNumbers().size())
            return nullptr;
        return cached<RowHeaderAccessible>(m_rowHeaders, row);
    }
    [[nodiscard]] QAccessibleInterface *child(int index) const override
    {
        if (index >= dayChildCount())
            return rowHeader(index - dayChildCount());
        if (index < 0)
            return nullptr;
        return cached<GridItemAccessible>(m_children, index);
    }
    [[nodiscard]] int indexOfChild(const QAccessibleInterface *child) const override
    {
        for (auto it = m_children.cbegin(); it != m_children.cend(); ++it) {
            if (QAccessible::accessibleInterface(it.value()) == child)
                return it.key() < dayChildCount() ? it.key() : -1;
        }
        for (auto it = m_rowHeaders.cbegin(); it != m_rowHeaders.cend(); ++it) {
            if (QAccessible::accessibleInterface(it.value()) == child)
                return it.key() < grid()->weekNumbers().size() ? dayChildCount() + it.key() : -1;
        }
        return -1;
    }
    [[nodiscard]] QAccessibleInterface *focusChild() const override
    {
        const int selected = grid()->selectedIndex();
        return selected < 0 ? nullptr : child(columns + selected);
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    [[nodiscard]] QAccessibleInterface *caption() const override { return nullptr; }
    [[nodiscard]] QAccessibleInterface *summary() const override { return nullptr; }
    [[nodiscard]] int columnCount() const override { return columns; }
    [[nodiscard]] int rowCount() const override { return grid()->rowCount(); }
    [[nodiscard]] int selectedCellCount() const override
    {
        return grid()->selectedIndex() < 0 ? 0 : 1;
    }
    [[nodiscard]] QList<QAccessibleInterface *> selectedCells() const override
    {
        QAccessibleInterface *selected = focusChild();
        return selected ? QList{selected} : QList<QAccessibleInterface *>();
    }
    [[nodiscard]] QAccessibleInterface *cellAt(int row, int column) const override
    {
        if (row < 0 || column < 0 || column >= columns || row >= rowCount())
            return nullptr;
        return child(columns + row * columns + column);
    }
    [[nodiscard]] QString columnDescription(int column) const override
    {
        return AccessibleText::weekday(grid()->columnWeekday(column));
    }
    [[nodiscard]] QString rowDescription(int row) const override
    {
        QAccessibleInterface *header = rowHeader(row);
        return header ? header->text(QAccessible::Name) : QString();
    }
    [[nodiscard]] int selectedColumnCount() const override { return 0; }
    [[nodiscard]] int selectedRowCount() const override { return 0; }
    [[nodiscard]] QList<int> selectedColumns() const override { return {}; }
    [[nodiscard]] QList<int> selectedRows() const override { return {}; }
    [[nodiscard]] bool isColumnSelected(int) const override { return false; }
    [[nodiscard]] bool isRowSelected(int) const override { return false; }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent *) override { }

    // Weeks come and go with the month; every day's name changes.
    void announceCells()
    {
        const auto announce = [](QAccessibleInterface *item, QAccessible::Event change) {
            if (item) {
                QAccessibleEvent event(item, change);
                QAccessible::updateAccessibility(&event);
            }
        };
        const int count = dayChildCount();
        for (int i = count; i < m_announcedCount; ++i)
            announce(QAccessible::accessibleInterface(m_children.value(i)),
                     QAccessible::ObjectDestroyed);
        for (int i = m_announcedCount; i < count; ++i)
            announce(child(i), QAccessible::ObjectCreated);
        const int rows = int(grid()->weekNumbers().size());
        for (int row = rows; row < m_announcedRows; ++row)
            announce(QAccessible::accessibleInterface(m_rowHeaders.value(row)),
                     QAccessible::ObjectDestroyed);
        for (int row = m_announcedRows; row < rows; ++row)
            announce(rowHeader(row), QAccessible::ObjectCreated);
        m_announcedCount = count;
        m_announcedRows = rows;
        QAccessibleTableModelChangeEvent reset(grid(),
                                               QAccessibleTableModelChangeEvent::ModelReset);
        QAccessible::updateAccessibility(&reset);
        PanelAccessibility::nameChanged(grid());
        for (int i = columns; i < count + rows; ++i)
            PanelAccessibility::nameChanged(grid(), i);
    }

    void announceSelection()
    {
        const int selected = grid()->selectedIndex();
        const int previous = std::exchange(m_announcedSelection, selected);
        for (const int index : {previous, selected}) {
            if (index < 0 || columns + index >= childCount())
                continue;
            QAccessibleInterface *cell = child(columns + index);
            QAccessible::State changed;
            changed.selected = true;
            changed.focused = true;
            QAccessibleStateChangeEvent stateChange(cell, changed);
            QAccessible::updateAccessibility(&stateChange);
            QAccessibleEvent rename(cell, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&rename);
        }
        if (!grid()->hasKeyboardFocus())
            return;
        QAccessibleEvent focus(selected >= 0 ? child(columns + selected) : this,
                               QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }

private:
    // The child made once for a key and kept: its id lasts as long as the table.
    template<typename Item>
    QAccessibleInterface *cached(QHash<int, QAccessible::Id> &ids, int key) const
    {
        QAccessible::Id &id = ids[key];
        if (!id)
            id = QAccessible::registerAccessibleInterface(
                new Item(const_cast<MonthGridAccessible *>(this), grid(), key));
        return QAccessible::accessibleInterface(id);
    }

    mutable QHash<int, QAccessible::Id> m_children;
    mutable QHash<int, QAccessible::Id> m_rowHeaders;
    int m_announcedCount;
    int m_announcedRows;
    int m_announcedSelection;
};

GridItemAccessible::GridItemAccessible(MonthGridAccessible *table, MonthGridView *grid,
                                       int childIndex)
    : PaintedChild(table)
    , m_table(table)
    , m_grid(grid)
    , m_childIndex(childIndex)
{
}

QList<QAccessibleInterface *> GridItemAccessible::columnHeaderCells() const
{
    QAccessibleInterface *header = m_table->child(columnIndex());
    return header ? QList{header} : QList<QAccessibleInterface *>();
}

QList<QAccessibleInterface *> GridItemAccessible::rowHeaderCells() const
{
    QAccessibleInterface *header = m_table->rowHeader(rowIndex());
    return header ? QList{header} : QList<QAccessibleInterface *>();
}

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget)
        return nullptr;
    if (className == "MonthGridView"_L1)
        return new MonthGridAccessible(static_cast<MonthGridView *>(widget));
    if (className == "HeaderBar"_L1)
        return new HeaderBarAccessible(static_cast<HeaderBar *>(widget));
    if (className == "ShortcutHintBanner"_L1)
        return new TextAccessible(widget, QAccessible::StaticText,
                                  [] { return ShortcutHintBanner::text; });
    return nullptr;
}

template<typename Table> Table *accessibleOf(QObject *object)
{
    return dynamic_cast<Table *>(QAccessible::queryAccessibleInterface(object));
}

} // namespace

void PanelAccessibility::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    static_cast<void>(installed);
}

void PanelAccessibility::gridChanged(MonthGridView *grid)
{
    if (!QAccessible::isActive())
        return;
    if (auto *table = accessibleOf<MonthGridAccessible>(grid))
        table->announceCells();
}

void PanelAccessibility::gridSelectionChanged(MonthGridView *grid)
{
    if (!QAccessible::isActive())
        return;
    if (auto *table = accessibleOf<MonthGridAccessible>(grid))
        table->announceSelection();
}

void PanelAccessibility::gridMonthReplaced(MonthGridView *grid)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleInterface *old = QAccessible::queryAccessibleInterface(grid);
    if (!old)
        return;
    QAccessibleEvent gone(old, QAccessible::ObjectDestroyed);
    QAccessible::updateAccessibility(&gone);
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(old));
    // Asked again, the factory builds the new table with a new identity.
    QAccessibleEvent created(QAccessible::queryAccessibleInterface(grid),
                             QAccessible::ObjectCreated);
    QAccessible::updateAccessibility(&created);
}

void PanelAccessibility::headerChanged(HeaderBar *header)
{
    nameChanged(header, 0);
    nameChanged(header, 1);
}

void PanelAccessibility::nameChanged(QObject *object, int child)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent event(object, QAccessible::NameChanged);
    event.setChild(child);
    QAccessible::updateAccessibility(&event);
}
