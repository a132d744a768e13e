#include "NewEventForm.h"

#include "CalendarViewModel.h"
#include "look/AppFonts.h"
#include "look/AppTheme.h"
#include "look/PanelLabel.h"
#include "shared/CivilCalendar.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSet>
#include <QTimeEdit>

using namespace Qt::StringLiterals;

namespace {

constexpr int secondsPerDay = 24 * 3600;

QString rgba(QColor color, qreal opacity = 1)
{
    color.setAlphaF(color.alphaF() * opacity);
    return u"rgba(%1,%2,%3,%4)"_s.arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alphaF(), 0, 'f', 3);
}

// The fields in the panel's colours, read when the form is built: the panel builds its content
// again when the appearance changes.
QString formStyleSheet()
{
    return uR"(
QLineEdit, QDateEdit, QTimeEdit, QComboBox {
    background: %1; color: %2; border: 1px solid %3; border-radius: 8px;
    padding: 3px 7px; selection-background-color: %4; selection-color: %5;
}
QLineEdit:focus, QDateEdit:focus, QTimeEdit:focus, QComboBox:focus { border: 1px solid %4; }
QDateEdit::drop-down, QComboBox::drop-down { border: none; width: 16px; }
QTimeEdit::up-button, QTimeEdit::down-button { width: 0; border: none; }
QComboBox QAbstractItemView {
    background: %6; color: %2; selection-background-color: %4; selection-color: %5;
}
QCheckBox { color: %2; spacing: 6px; }
QPushButton {
    background: %1; color: %2; border: 1px solid %3; border-radius: 12px; padding: 3px 14px;
}
QPushButton:focus { border: 1px solid %4; }
QPushButton#save { background: %4; color: %5; border: none; }
QPushButton#save:disabled { background: %7; }
)"_s.arg(rgba(AppTheme::surfaceFillStrong()), rgba(AppTheme::primaryText()),
         rgba(AppTheme::surfaceStroke()), rgba(AppTheme::accent()), rgba(AppTheme::onAccentText()),
         rgba(AppTheme::panelBackground()), rgba(AppTheme::accent(), 0.5));
}

QIcon colorDot(const QString &hex)
{
    QPixmap pixmap(24, 24);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(AppTheme::color(hex).value_or(AppTheme::accent()));
    painter.drawEllipse(QRectF(1, 1, 10, 10));
    return QIcon(pixmap);
}

QColor errorColor()
{
    return AppTheme::isDark() ? QColor(0xFF, 0x8A, 0x80) : QColor(0xC0, 0x39, 0x2B);
}

template<typename Field> Field *named(Field *field, const QString &name)
{
    field->setAccessibleName(name);
    return field;
}

} // namespace

NewEventForm::NewEventForm(CalendarViewModel &viewModel, QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_title(named(new QLineEdit(this), u"标题"_s))
    , m_allDay(new QCheckBox(u"全天"_s, this))
    , m_date(named(new QDateEdit(this), u"日期"_s))
    , m_start(named(new QTimeEdit(this), u"开始时间"_s))
    , m_end(named(new QTimeEdit(this), u"结束时间"_s))
    , m_calendar(named(new QComboBox(this), u"日历"_s))
    , m_place(named(new QLineEdit(this), u"地点"_s))
    , m_error(new PanelLabel(QString(), AppFonts::ui(11.5, QFont::Medium), &errorColor, this))
    , m_saveButton(new QPushButton(u"保存"_s, this))
    , m_cancelButton(new QPushButton(u"取消"_s, this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setStyleSheet(formStyleSheet());
    setFont(AppFonts::ui(12.5, QFont::Normal));

    m_title->setPlaceholderText(u"标题，如：明天下午3点 产品评审"_s);
    m_title->setAccessibleDescription(u"开头可写日期和时间，如“下周三 14:30-15:30”"_s);
    m_place->setPlaceholderText(u"地点（可选）"_s);
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(u"yyyy年M月d日 ddd"_s);
    m_date->setLocale(QLocale(QLocale::Chinese, QLocale::China));
    for (QTimeEdit *time : {m_start, m_end}) {
        time->setDisplayFormat(u"HH:mm"_s);
        time->setWrapping(true);
        time->setButtonSymbols(QAbstractSpinBox::NoButtons);
    }
    m_error->setMinimumScale(0.75);
    m_error->setAccessibleName(u"错误"_s);
    m_error->hide();
    m_saveButton->setObjectName(u"save"_s);
    for (QPushButton *button : {m_saveButton, m_cancelButton})
        button->setAutoDefault(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(m_title);
    auto *dayRow = new QHBoxLayout;
    dayRow->setSpacing(8);
    dayRow->addWidget(m_date, 1);
    dayRow->addWidget(m_allDay);
    layout->addLayout(dayRow);
    auto *timeRow = new QHBoxLayout;
    timeRow->setSpacing(6);
    timeRow->addWidget(m_start, 1);
    timeRow->addWidget(
        new PanelLabel(u"至"_s, AppFonts::ui(12.5, QFont::Medium), &AppTheme::secondaryText, this));
    timeRow->addWidget(m_end, 1);
    layout->addLayout(timeRow);
    layout->addWidget(m_calendar);
    layout->addWidget(m_place);
    layout->addWidget(m_error);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_saveButton);
    layout->addLayout(buttons);

    setTabOrder(m_title, m_allDay);
    setTabOrder(m_allDay, m_date);
    setTabOrder(m_date, m_start);
    setTabOrder(m_start, m_end);
    setTabOrder(m_end, m_calendar);
    setTabOrder(m_calendar, m_place);
    setTabOrder(m_place, m_cancelButton);
    setTabOrder(m_cancelButton, m_saveButton);

    connect(m_title, &QLineEdit::textEdited, this, &NewEventForm::readTitle);
    connect(m_allDay, &QCheckBox::toggled, this, [this](bool allDay) {
        m_start->setVisible(!allDay);
        m_end->setVisible(!allDay);
        m_start->parentWidget()->updateGeometry();
    });
    connect(m_start, &QTimeEdit::timeChanged, this,
            [this](QTime start) { setTimes(start, start.addSecs(m_durationSecs)); });
    connect(m_end, &QTimeEdit::timeChanged, this, [this](QTime end) {
        const int secs = int(m_start->time().secsTo(end));
        m_durationSecs = secs > 0 ? secs : secs + secondsPerDay;
    });
    connect(m_saveButton, &QPushButton::clicked, this, &NewEventForm::save);
    connect(m_cancelButton, &QPushButton::clicked, this, &NewEventForm::cancel);
    connect(&viewModel, &CalendarViewModel::writableCalendarsChanged, this,
            &NewEventForm::fillCalendars);
}

NewEventForm::~NewEventForm() = default;

void NewEventForm::start(const QDate &day)
{
    m_day = day;
    m_understood = {};
    const QTime now = m_viewModel.now().toLocalTime().time();
    m_defaultStart = QTime((now.hour() + 1) % 24, 0);
    m_durationSecs = 3600;
    m_title->clear();
    m_place->clear();
    m_allDay->setChecked(false);
    m_date->setDate(day);
    setTimes(m_defaultStart, m_defaultStart.addSecs(m_durationSecs));
    m_calendar->clear();
    fillCalendars();
    setError({});
    m_title->setFocus();
}

NewCalendarEvent NewEventForm::describedEvent() const
{
    NewCalendarEvent event;
    event.calendarId = m_calendar->currentData().toString();
    const QDate today = CalendarViewModel::dayOf(m_viewModel.now());
    event.title = EventPhrase::read(m_title->text(), today).title;
    event.location = m_place->text().trimmed();
    event.isAllDay = m_allDay->isChecked();
    const QDate date = m_date->date();
    if (event.isAllDay) {
        event.start = date.startOfDay();
        event.end = date.addDays(1).startOfDay();
        return event;
    }
    const QTime start = m_start->time();
    const QTime end = m_end->time();
    // A time that a clock change skips is the first instant after the gap; as a Qt local time it
    // would be invalid on Qt 6.4, and the save refused.
    const CivilCalendar calendar;
    const auto at = [&calendar](QDate day, QTime time) {
        return calendar.date(day.year(), day.month(), day.day(), time.hour(), time.minute())
            .value_or(QDateTime());
    };
    event.start = at(date, start);
    event.end = at(end > start ? date : date.addDays(1), end);
    return event;
}

QString NewEventForm::errorText() const
{
    return m_error->isHidden() ? QString() : m_error->text();
}

void NewEventForm::save()
{
    if (m_saving)
        return;
    m_saving = true;
    m_saveButton->setEnabled(false);
    setError({});
    const NewCalendarEvent event = describedEvent();
    m_viewModel.createEvent(event, this, [this, event](const CalendarWriteResult &result) {
        m_saving = false;
        m_saveButton->setEnabled(true);
        if (!result.error.isEmpty()) {
            setError(result.error);
            m_title->setFocus();
            return;
        }
        Q_EMIT saved(result, event);
    });
}

void NewEventForm::cancel()
{
    Q_EMIT cancelled();
}

void NewEventForm::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        save();
        break;
    case Qt::Key_Escape:
        cancel();
        break;
    default:
        break;
    }
    // Keys stay in the form: the panel would page months with the arrows and space.
    event->accept();
}

void NewEventForm::typeTitle(const QString &line)
{
    m_title->setText(line);
    readTitle();
}

void NewEventForm::readTitle()
{
    EventPhrase phrase =
        EventPhrase::read(m_title->text(), CalendarViewModel::dayOf(m_viewModel.now()));
    phrase.title.clear();
    if (phrase.date != m_understood.date)
        m_date->setDate(phrase.date.value_or(m_day));
    if (phrase.isAllDay != m_understood.isAllDay)
        m_allDay->setChecked(phrase.isAllDay);
    if (phrase.start != m_understood.start || phrase.end != m_understood.end) {
        const QTime start = phrase.start.value_or(m_defaultStart);
        setTimes(start, phrase.end.value_or(start.addSecs(3600)));
    }
    m_understood = phrase;
}

void NewEventForm::setTimes(const QTime &start, const QTime &end)
{
    const QSignalBlocker blocker(m_start);
    m_start->setTime(start);
    m_end->setTime(end);
}

void NewEventForm::fillCalendars()
{
    const QList<CalendarSource> calendars = m_viewModel.writableCalendars();
    const QString current = m_calendar->count() > 0 ? m_calendar->currentData().toString()
                                                    : m_viewModel.preferredNewEventCalendarId();
    QSet<QString> titles;
    QSet<QString> repeated;
    for (const CalendarSource &calendar : calendars) {
        if (titles.contains(calendar.title))
            repeated.insert(calendar.title);
        titles.insert(calendar.title);
    }
    const QSignalBlocker blocker(m_calendar);
    m_calendar->clear();
    for (const CalendarSource &calendar : calendars) {
        // Two calendars of one name are told apart by their accounts.
        const QString text = repeated.contains(calendar.title)
                                 ? calendar.title + u" · "_s + calendar.sourceTitle
                                 : calendar.title;
        m_calendar->addItem(colorDot(calendar.colorHex), text, calendar.id);
        m_calendar->setItemData(m_calendar->count() - 1, calendar.sourceTitle, Qt::ToolTipRole);
    }
    const int index = m_calendar->findData(current);
    m_calendar->setCurrentIndex(std::max(index, 0));
}

void NewEventForm::setError(const QString &error)
{
    m_error->setText(error);
    m_error->setAccessibleDescription(error);
    m_error->setVisible(!error.isEmpty());
}
