#pragma once

#include "events/NewCalendarEvent.h"

#include <QTimer>
#include <QWidget>

#include <functional>

class CalendarViewModel;
class DailyEventRow;
class NewEventForm;
class PanelLabel;
class QAbstractButton;
class QPushButton;
class QScrollArea;
class SettingsIconLabel;

// The bottom of the panel: the summary card with the selected day's events, and the footer
// with the brand chip and the settings button.
class DailyDockView : public QWidget
{
    Q_OBJECT
public:
    static inline const QString noEventsTitle = QStringLiteral("没有日程");
    static inline const QString noEventsText = QStringLiteral("栖格之间，万事有序。");
    static inline const QString loadingText = QStringLiteral("正在更新这一天的日程…");
    static inline const QString eventsSuffix = QStringLiteral("日程");
    static inline const QString brandName = QStringLiteral("栖格日历");
    /// What a screen reader says for the brand chip, which opens the day.
    static inline const QString appButtonName = QStringLiteral("在日历应用中打开");
    /// The most events listed without a scroll area.
    static constexpr int plainListLimit = 3;
    static constexpr int rowHeightAllowance = 52;
    static constexpr int scrollAreaMaximumHeight = 150;
    /// How long a new event can be taken back.
    static constexpr int undoDurationMs = 5000;

    enum class Body
    {
        loading,
        empty,
        list,
        scrollingList
    };

    explicit DailyDockView(CalendarViewModel &viewModel, QWidget *parent = nullptr);
    ~DailyDockView() override;

    void setOpenPreferences(std::function<void()> openPreferences);
    /// Opens the new-event form for the selected day, where a calendar can be written.
    void startNewEvent();

    [[nodiscard]] Body body() const { return m_body; }
    [[nodiscard]] QString headingText() const;
    [[nodiscard]] QList<DailyEventRow *> eventRows() const;
    /// The controls Tab reaches after the grid, in order: each event row, the app button (the
    /// brand chip), the settings button. A new control joins Tab's round here.
    [[nodiscard]] QList<QAbstractButton *> focusChain() const;
    /// The list's scroll area with 4 or more events, else null.
    [[nodiscard]] QScrollArea *scrollArea() const { return m_scrollArea; }
    [[nodiscard]] QAbstractButton *newEventButton() const { return m_newEventButton; }
    [[nodiscard]] NewEventForm *newEventForm() const { return m_form; }
    /// The "撤销" of the event created last; shown for five seconds.
    [[nodiscard]] QPushButton *undoButton() const { return m_undoButton; }

Q_SIGNALS:
    /// The form went away; whoever holds the panel's keys takes the focus back.
    void newEventFormClosed();

private:
    void scheduleRefresh();
    void refresh();
    void rebuildBody();
    void closeForm();
    void offerUndo(const CalendarWriteResult &created, const QString &title);
    void undo();

    CalendarViewModel &m_viewModel;
    std::function<void()> m_openPreferences;
    QWidget *m_card = nullptr;
    PanelLabel *m_heading = nullptr;
    QWidget *m_bodyWidget = nullptr;
    QScrollArea *m_scrollArea = nullptr;
    QAbstractButton *m_appButton = nullptr;
    SettingsIconLabel *m_settingsButton = nullptr;
    QAbstractButton *m_newEventButton = nullptr;
    NewEventForm *m_form = nullptr;
    QWidget *m_undoRow = nullptr;
    PanelLabel *m_undoText = nullptr;
    QPushButton *m_undoButton = nullptr;
    CalendarWriteResult m_created;
    QTimer m_undoTimer;
    Body m_body = Body::empty;
    bool m_refreshPending = false;
    // What the body shows, to rebuild it only when that changes.
    QStringList m_shownKeys;
};
