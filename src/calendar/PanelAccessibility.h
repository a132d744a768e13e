#pragma once

class HeaderBar;
class MonthGridView;
class QObject;

// Accessible objects for the panel's painted parts, so that screen readers see the month title,
// the lunar line, the weekday header and each day as a cell of a table. Qt asks for them only
// while an assistive technology listens; every announcement is a no-op otherwise.
namespace PanelAccessibility {

/// Registers the factory once; later calls do nothing.
void install();

/// The month, the events or the lunar names changed: every cell has a new name, and the grid
/// may have gained or lost a week.
void gridChanged(MonthGridView *grid);
/// Another month is shown: the table is replaced by a new one, so that a screen reader meets it
/// as a table it has not been in and reads its name, the month, before the focused day.
void gridMonthReplaced(MonthGridView *grid);
/// While the grid has the keyboard focus, makes the selected cell the accessible focus, so the
/// new day is read, or the table itself when no day of it is selected.
void gridSelectionChanged(MonthGridView *grid);
/// The title or the lunar line has a new text.
void headerChanged(HeaderBar *header);
/// A text widget (or the child at `child`) has a new name.
void nameChanged(QObject *object, int child = -1);

} // namespace PanelAccessibility
