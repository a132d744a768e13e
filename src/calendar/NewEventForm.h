#pragma once

#include "events/EventPhrase.h"
#include "events/NewCalendarEvent.h"

#include <QDate>
#include <QWidget>

class CalendarViewModel;
class PanelLabel;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QTimeEdit;

// The day dock's compact form for a new event: title, 全天, day, start and end, calendar and
// place. A day and time written in Chinese at the start of the title fill the fields as they
// are typed, and the rest of the line is the title. Enter saves, Esc cancels; a failed save
// keeps the form open with the reason in one line.
class NewEventForm : public QWidget
{
    Q_OBJECT
public:
    explicit NewEventForm(CalendarViewModel &viewModel, QWidget *parent = nullptr);
    ~NewEventForm() override;

    /// Empties the form for a new event on `day`: the next full hour, one hour long, in the
    /// calendar used last; the title takes the focus.
    void start(const QDate &day);
    /// The event the fields describe; its title is the line without the day and time read.
    [[nodiscard]] NewCalendarEvent describedEvent() const;
    [[nodiscard]] QString errorText() const;
    [[nodiscard]] bool isSaving() const { return m_saving; }

    [[nodiscard]] QLineEdit *titleField() const { return m_title; }
    /// Puts a title line in as if it had been typed.
    void typeTitle(const QString &line);

public Q_SLOTS:
    void save();
    void cancel();

Q_SIGNALS:
    void saved(const CalendarWriteResult &result, const NewCalendarEvent &event);
    void cancelled();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void readTitle();
    void fillCalendars();
    void setError(const QString &error);
    void setTimes(const QTime &start, const QTime &end);

    CalendarViewModel &m_viewModel;
    QDate m_day;
    // What the title line said last, so that fields are set again only when that changes.
    EventPhrase m_understood;
    QTime m_defaultStart;
    // The length of a timed event, kept when its start moves.
    int m_durationSecs = 3600;
    bool m_saving = false;

    QLineEdit *m_title;
    QCheckBox *m_allDay;
    QDateEdit *m_date;
    QTimeEdit *m_start;
    QTimeEdit *m_end;
    QComboBox *m_calendar;
    QLineEdit *m_place;
    PanelLabel *m_error;
    QPushButton *m_saveButton;
    QPushButton *m_cancelButton;
};
