#include "TestServices.h"
#include "TimeZoneScope.h"
#include "calendar/CalendarPopoverView.h"
#include "calendar/DailyDockView.h"
#include "calendar/NewEventForm.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimeEdit>
#include <QTimeZone>

using namespace Qt::StringLiterals;

namespace {

// Chinese arrives through the input method.
void type(QWidget *field, const QString &text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(field, &event);
}

} // namespace

// The new-event form in the panel, against a store that records what is written.
class TestNewEventForm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void typedPhraseFillsTheFieldsAndEnterSaves();
    void failedSaveKeepsTheFormWithTheReason();
    void escapeCancelsAndKeysStayInTheForm();
    void noWritableCalendarNoButton();

private:
    void open();
    template<typename T> T *field(const QString &accessibleName) const;

    std::unique_ptr<TestServices> m_fixture;
    std::unique_ptr<CalendarPopoverView> m_view;
    NewEventForm *m_form = nullptr;
};

void TestNewEventForm::init()
{
    // Wednesday 30 December 2026, 10:00.
    m_fixture = std::make_unique<TestServices>("Asia/Shanghai", QDate(2026, 12, 30));
    StoreCalendar work{u"work"_s, u"工作"_s, u"本机"_s, QColor(u"#2255AA"_s)};
    work.writable = true;
    StoreCalendar home{u"home"_s, u"家庭"_s, u"本机"_s, QColor(u"#AA5522"_s)};
    home.writable = true;
    m_fixture->store->storeCalendars = {
        work, home, StoreCalendar{u"feed"_s, u"节假日"_s, u"订阅"_s, std::nullopt}};
    m_fixture->settings->setValue(SettingKeys::lastNewEventCalendar, u"home"_s);
    m_fixture->eventStore->refreshCalendars();
    m_view = std::make_unique<CalendarPopoverView>(*m_fixture->viewModel, *m_fixture->preferences,
                                                   m_fixture->desktop.get());
    m_view->setAnimationsEnabled(false);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    TestServices::settle();
    m_form = m_view->dailyDock()->newEventForm();
}

void TestNewEventForm::cleanup()
{
    m_view.reset();
    m_fixture.reset();
}

void TestNewEventForm::open()
{
    m_view->setFocus();
    QTest::keyClick(m_view.get(), Qt::Key_N);
    QVERIFY(m_form->isVisible());
    QTRY_VERIFY(m_form->titleField()->hasFocus());
}

template<typename T> T *TestNewEventForm::field(const QString &accessibleName) const
{
    for (T *widget : m_form->findChildren<T *>()) {
        if (widget->accessibleName() == accessibleName)
            return widget;
    }
    return nullptr;
}

void TestNewEventForm::typedPhraseFillsTheFieldsAndEnterSaves()
{
    open();
    // The next full hour, one hour long, in the calendar used last; the feed is not offered.
    QCOMPARE(field<QTimeEdit>(u"开始时间"_s)->time(), QTime(11, 0));
    QCOMPARE(field<QTimeEdit>(u"结束时间"_s)->time(), QTime(12, 0));
    auto *calendar = field<QComboBox>(u"日历"_s);
    QCOMPARE(calendar->count(), 2);
    QCOMPARE(calendar->currentData().toString(), u"home"_s);

    // The phrase read into the fields is what is written.
    type(m_form->titleField(), u"明天下午3点 产品评审"_s);
    calendar->setCurrentIndex(calendar->findData(u"work"_s));
    type(field<QLineEdit>(u"地点"_s), u"三楼"_s);
    QTest::keyClick(field<QLineEdit>(u"地点"_s), Qt::Key_Return);

    QTRY_VERIFY(m_form->isHidden());
    QCOMPARE(m_fixture->store->createdEvents.size(), 1);
    const NewCalendarEvent written = m_fixture->store->createdEvents.constFirst();
    QCOMPARE(written.title, u"产品评审"_s);
    QCOMPARE(written.location, u"三楼"_s);
    QCOMPARE(written.calendarId, u"work"_s);
    QCOMPARE(written.start, TestServices::at(2026, 12, 31, 15));
    QCOMPARE(written.end, TestServices::at(2026, 12, 31, 16));
    QCOMPARE(m_fixture->settings->value(SettingKeys::lastNewEventCalendar), u"work"_s);
    // The new event's day is shown, and its undo takes exactly it away again.
    QCOMPARE(m_fixture->viewModel->selectedDate(), TestServices::at(2026, 12, 31));
    QAbstractButton *undo = m_view->dailyDock()->undoButton();
    QVERIFY(undo->isVisible());
    const qsizetype before = m_fixture->store->storeEvents.size();
    undo->click();
    QTRY_COMPARE(m_fixture->store->storeEvents.size(), before - 1);
    QTRY_VERIFY(undo->parentWidget()->isHidden());

    // Santiago skips 5 September 2027's first hour: the event starts when the day does.
    const TimeZoneScope santiago("America/Santiago");
    open();
    type(m_form->titleField(), u"9月5日 0点半 值班"_s);
    QTest::keyClick(m_form->titleField(), Qt::Key_Return);
    QTRY_COMPARE(m_fixture->store->createdEvents.size(), 2);
    QCOMPARE(m_fixture->store->createdEvents.at(1).start,
             QDateTime({2027, 9, 5}, {4, 0}, QTimeZone::utc()));
}

void TestNewEventForm::failedSaveKeepsTheFormWithTheReason()
{
    m_fixture->store->writeError = u"磁盘已满"_s;
    open();
    type(m_form->titleField(), u"后天 9点半 牙医"_s);
    QTest::keyClick(m_form->titleField(), Qt::Key_Enter);
    QTRY_COMPARE(m_form->errorText(), u"磁盘已满"_s);
    QVERIFY(m_form->isVisible());
    QCOMPARE(m_form->titleField()->text(), u"后天 9点半 牙医"_s);
    QVERIFY(m_view->dailyDock()->undoButton()->parentWidget()->isHidden());
}

void TestNewEventForm::escapeCancelsAndKeysStayInTheForm()
{
    open();
    const QDateTime month = m_fixture->viewModel->displayedMonth();
    QTest::keyClick(field<QTimeEdit>(u"开始时间"_s), Qt::Key_Right);
    QTest::keyClick(field<QComboBox>(u"日历"_s), Qt::Key_Left);
    QCOMPARE(m_fixture->viewModel->displayedMonth(), month);
    QTest::keyClick(m_form->titleField(), Qt::Key_Escape);
    QVERIFY(m_form->isHidden());
    QVERIFY(m_fixture->store->createdEvents.isEmpty());
    // The panel's keys work again.
    QTRY_VERIFY(m_view->hasFocus());
    QTest::keyClick(m_view.get(), Qt::Key_Right);
    QVERIFY(m_fixture->viewModel->displayedMonth() != month);
}

void TestNewEventForm::noWritableCalendarNoButton()
{
    QVERIFY(m_view->dailyDock()->newEventButton()->isVisible());
    m_fixture->preferences->setValue(SettingKeys::excludedCalendarIdentifiers,
                                     QStringList{u"home"_s, u"work"_s});
    TestServices::settle();
    QVERIFY(m_view->dailyDock()->newEventButton()->isHidden());
    QTest::keyClick(m_view.get(), Qt::Key_N);
    QVERIFY(m_form->isHidden());
}

QTEST_MAIN(TestNewEventForm)
#include "tst_neweventform.moc"
