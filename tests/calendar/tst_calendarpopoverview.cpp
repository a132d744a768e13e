#include "calendar/CalendarPopoverView.h"

#include "TestServices.h"
#include "calendar/DailyDockView.h"
#include "calendar/DailyEventRow.h"
#include "calendar/HeaderBar.h"
#include "calendar/MonthGridView.h"
#include "calendar/ShortcutHintBanner.h"
#include "look/AppFonts.h"
#include "look/AppTheme.h"
#include "look/PanelText.h"
#include "shared/SystemTimeZone.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontDatabase>
#include <QPainter>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QByteArray newYork = "America/New_York";
const QByteArray shanghai = "Asia/Shanghai";

QDate dayOf(const QDateTime &instant)
{
    return SystemTimeZone::civilDate(instant);
}

int indexOfDay(const MonthGridView &grid, const QDate &day)
{
    const QList<DayCellView> &cells = grid.cells();
    for (int i = 0; i < cells.size(); ++i) {
        if (dayOf(cells.at(i).date) == day)
            return i;
    }
    return -1;
}

// The opacity painted a little left of a day's centre: inside a backdrop, outside the digits.
qreal backdropAlpha(MonthGridView &grid, const QDate &day)
{
    QImage image(grid.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    grid.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    const QPointF centre = grid.cellRect(indexOfDay(grid, day)).center();
    return image.pixelColor(QPoint(int(centre.x() - 16), int(centre.y() + 12))).alphaF();
}

// The bounding box of the pixels where two renderings differ, or of the text's ink: pixels
// more opaque than a today backdrop, which is drawn at 0.14 and 0.22 of the accent.
QRect inkBounds(const QImage &image, const QImage &without = {})
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const bool ink = without.isNull() ? qAlpha(image.pixel(x, y)) > 100
                                              : image.pixel(x, y) != without.pixel(x, y);
            if (ink)
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

QImage renderCell(const DayCellView &cell)
{
    // Room above the cell for a badge on a backdrop's corner.
    QImage image(92, 104, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.scale(2, 2);
    cell.paint(painter, QRectF(0, 4, 46, 48));
    return image;
}

} // namespace

class TestCalendarPopoverView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void selectionAndTodayAsDrawn();
    void dayEventsScroll();
    void keysPageAndLoadingShowsTheDateHeading();
    void tabGoesThroughTheDockAndKeysAct();
    void hintBannerOncePerUser();
    void dotAndBadgeKeepClearOfTheText_data();
    void dotAndBadgeKeepClearOfTheText();
    void festivalsAndDotsInTheGridHeaderAndDock();
    void textInkStaysInsideItsLine();

private:
    CalendarPopoverView &makeView(TestServices &fixture);

    std::unique_ptr<CalendarPopoverView> view;
};

void TestCalendarPopoverView::initTestCase()
{
    AppTheme::setSystemAppearanceSource([] { return false; });
}

void TestCalendarPopoverView::cleanup()
{
    view.reset();
}

CalendarPopoverView &TestCalendarPopoverView::makeView(TestServices &fixture)
{
    view = std::make_unique<CalendarPopoverView>(*fixture.viewModel, *fixture.preferences,
                                                 fixture.desktop.get());
    view->setAnimationsEnabled(false);
    view->show();
    TestServices::settle();
    return *view;
}

void TestCalendarPopoverView::selectionAndTodayAsDrawn()
{
    TestServices fixture(newYork, QDate(2026, 3, 16));
    fixture.viewModel->select(TestServices::at(2026, 3, 20));
    MonthGridView &grid = *makeView(fixture).monthGrid();
    const QDate selected(2026, 3, 20);
    const QDate today(2026, 3, 16);
    QCOMPARE(backdropAlpha(grid, selected), 1.0);

    // Paging away and back hides the selection but not today's faint accent.
    fixture.viewModel->nextMonth();
    fixture.viewModel->previousMonth();
    TestServices::settle();
    QCOMPARE(backdropAlpha(grid, selected), 0.0);
    QVERIFY(qAbs(backdropAlpha(grid, today) - 0.14) < 0.03);

    // A click on a trailing day switches to its month, with that day selected.
    const QDate clicked(2026, 4, 5);
    QTest::mouseClick(&grid, Qt::LeftButton, {},
                      grid.cellRect(indexOfDay(grid, clicked)).center().toPoint());
    TestServices::settle();
    QCOMPARE(dayOf(fixture.viewModel->displayedMonth()), QDate(2026, 4, 1));
    QCOMPARE(dayOf(fixture.viewModel->selectedDate()), clicked);
    QCOMPARE(backdropAlpha(grid, clicked), 1.0);
}

void TestCalendarPopoverView::dayEventsScroll()
{
    TestServices fixture(newYork, QDate(2026, 3, 16));
    // The last one's colour text is no colour.
    QList<CalendarDayEvent> events;
    for (const QString &colour : {u"#336699"_s, u"#336699"_s, u"#336699"_s, u"#GGHHII"_s})
        events.append(
            TestServices::event(colour, TestServices::at(2026, 3, 16, 8 + events.size()), colour));
    events.append(TestServices::event(u"Another day"_s, TestServices::at(2026, 3, 17, 9)));
    fixture.setEvents(events);
    fixture.viewModel->goToToday();
    DailyDockView &dock = *makeView(fixture).dailyDock();
    QCOMPARE(int(dock.body()), int(DailyDockView::Body::scrollingList));
    QVERIFY(dock.scrollArea());
    QCOMPARE(dock.headingText(), u"3月16日 星期一日程"_s);
    const QList<DailyEventRow *> rows = dock.eventRows();
    QCOMPARE(rows.size(), 4);
    QCOMPARE(rows.first()->barColor(), QColor(0x33, 0x66, 0x99));
    QCOMPARE(rows.last()->barColor(), AppTheme::accent());
}

void TestCalendarPopoverView::keysPageAndLoadingShowsTheDateHeading()
{
    TestServices fixture(newYork, QDate(2026, 3, 16));
    CalendarPopoverView &popover = makeView(fixture);
    DailyDockView &dock = *popover.dailyDock();
    QCOMPARE(dock.headingText(), DailyDockView::noEventsTitle);

    // With the cross-fades on, as in the panel: each step grabs the old look first.
    popover.setAnimationsEnabled(true);
    fixture.holdLoads = true;
    QTest::keyClick(&popover, Qt::Key_Right);
    TestServices::settle();
    QCOMPARE(dayOf(fixture.viewModel->displayedMonth()), QDate(2026, 4, 1));
    QCOMPARE(int(dock.body()), int(DailyDockView::Body::loading));
    QCOMPARE(dock.headingText(), u"3月16日 星期一日程"_s);
    fixture.held.takeFirst().done({});
    TestServices::settle();
    QCOMPARE(int(dock.body()), int(DailyDockView::Body::empty));
    QCOMPARE(dock.headingText(), DailyDockView::noEventsTitle);

    QTest::keyClick(&popover, Qt::Key_Right, Qt::ControlModifier);
    QCOMPARE(dayOf(fixture.viewModel->displayedMonth()), QDate(2027, 4, 1));
    QTest::keyClick(&popover, Qt::Key_Space);
    QCOMPARE(dayOf(fixture.viewModel->displayedMonth()), QDate(2026, 3, 1));
}

void TestCalendarPopoverView::tabGoesThroughTheDockAndKeysAct()
{
    TestServices fixture(newYork, QDate(2026, 3, 16));
    fixture.setEvents({TestServices::event(u"Standup"_s, TestServices::at(2026, 3, 16, 9)),
                       TestServices::event(u"Review"_s, TestServices::at(2026, 3, 16, 14))});
    CalendarPopoverView &popover = makeView(fixture);
    int preferencesOpened = 0;
    int closed = 0;
    popover.setOpenPreferences([&] { ++preferencesOpened; });
    popover.setClosePanel([&] { ++closed; });
    popover.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&popover));
    popover.setFocus();
    MonthGridView *grid = popover.monthGrid();
    QVERIFY(grid->hasFocus());

    const QList<QAbstractButton *> dock = popover.dailyDock()->focusChain();
    QCOMPARE(dock.size(), 4);
    QCOMPARE(dock.at(0)->accessibleName(), u"Standup，09:00 - 10:00"_s);
    QCOMPARE(dock.at(2)->accessibleName(), DailyDockView::appButtonName);
    const QImage unfocused = dock.at(3)->grab().toImage();
    for (QAbstractButton *control : dock) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), control);
    }
    // The settings button shows its focus ring; Enter presses it, Esc closes the panel.
    QAbstractButton *settings = dock.at(3);
    QVERIFY(settings->grab().toImage() != unfocused);
    QTest::keyClick(settings, Qt::Key_Return);
    QCOMPARE(preferencesOpened, 1);
    QTest::keyClick(settings, Qt::Key_Escape);
    QCOMPARE(closed, 1);

    // Tab wraps round to the grid, where ↓ moves the selection a week on; Shift+Tab goes back,
    // and there the arrows stay the button's own.
    QTest::keyClick(settings, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), grid);
    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(dayOf(fixture.viewModel->selectedDate()), QDate(2026, 3, 23));
    QTest::keyClick(grid, Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), settings);
    QTest::keyClick(settings, Qt::Key_Down);
    QCOMPARE(dayOf(fixture.viewModel->selectedDate()), QDate(2026, 3, 23));
}

void TestCalendarPopoverView::hintBannerOncePerUser()
{
    TestServices fixture(newYork, QDate(2026, 3, 16));
    CalendarPopoverView &first = makeView(fixture);
    QVERIFY(first.shortcutHintBanner()->isVisible());

    // Closed before the banner's time is up: it goes at once and does not come back.
    first.hide();
    QVERIFY(!first.isShowingShortcutHint());
    view.reset();
    QVERIFY(!makeView(fixture).shortcutHintBanner()->isVisible());
}

void TestCalendarPopoverView::textInkStaysInsideItsLine()
{
    const QStringList families{u"DejaVu Sans"_s, u"Noto Sans CJK SC"_s};
    for (const QString &family : families) {
        if (!QFontDatabase::hasFamily(family))
            QSKIP("the font is not installed");
    }
    QFont font;
    font.setFamilies(families);
    font.setPointSizeF(10);
    font.setHintingPreference(QFont::PreferNoHinting);
    // A Latin font with a CJK fallback, whole and cut. The line box sits in the middle of a
    // larger image, so ink outside it is seen, not clipped.
    for (const qreal width : {400.0, 60.0}) {
        const QRectF line(0, 40, width, AppFonts::lineHeight(font));
        QImage image(int(width), 120, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        PanelText::draw(painter, line, u"栖格之间，万事有序。"_s, font, Qt::black);
        painter.end();
        const QRect ink = inkBounds(image);
        QVERIFY(ink.top() >= line.top() && ink.bottom() < line.bottom());
        // Centred, not sitting low: the fault was a fifth of the size.
        const qreal offCentre = (ink.top() + ink.bottom() + 1) / 2.0 - line.center().y();
        QVERIFY(std::abs(offCentre) <= 0.1 * AppFonts::designSize(font));
    }
}

void TestCalendarPopoverView::dotAndBadgeKeepClearOfTheText_data()
{
    QTest::addColumn<QString>("subtitle");
    QTest::addColumn<bool>("isToday");
    QTest::newRow("festival") << u"国庆节"_s << false;
    QTest::newRow("today, larger number") << u"霜降"_s << true;
}

void TestCalendarPopoverView::dotAndBadgeKeepClearOfTheText()
{
    QFETCH(QString, subtitle);
    QFETCH(bool, isToday);
    TimeZoneScope zone(shanghai);
    DayCellView cell;
    cell.date = TestServices::at(2026, 10, 28);
    cell.isCurrentMonth = true;
    cell.isToday = isToday;
    cell.subtitle = subtitle;
    const QRect text = inkBounds(renderCell(cell));

    // The dot has a room of its own under the text, inside the cell; today's cell has none.
    DayCellView dotted = cell;
    dotted.dotColor = QColor(Qt::red);
    const QRect dot = inkBounds(renderCell(dotted), renderCell(cell));
    QCOMPARE(dot.isEmpty(), isToday);
    QVERIFY(isToday || (dot.top() > text.bottom() + 1 && dot.bottom() < 104));

    // The badge sits at the day number's top right, clear of it and inside the cell.
    DayCellView numberOnly = cell;
    numberOnly.subtitle.reset();
    const QRect number = inkBounds(renderCell(numberOnly));
    DayCellView marked = cell;
    marked.arrangement = HolidayService::Arrangement::workday;
    const QRect badge = inkBounds(renderCell(marked), renderCell(cell));
    QVERIFY(!badge.isEmpty() && !badge.intersects(number));
    QVERIFY(badge.left() > number.center().x() && badge.right() < 92);
    QCOMPARE(marked.naturalHeight(), cell.naturalHeight());
}

void TestCalendarPopoverView::festivalsAndDotsInTheGridHeaderAndDock()
{
    TestServices fixture(shanghai, QDate(2026, 10, 8));
    fixture.preferences->setValue(SettingKeys::showLunarCalendar, false);
    CalendarPopoverView &popover = makeView(fixture);
    MonthGridView &grid = *popover.monthGrid();
    const auto cell = [&](int day) {
        return grid.cells().at(indexOfDay(grid, QDate(2026, 10, day)));
    };
    QList<qreal> heightsOff;
    for (const DayCellView &each : grid.cells())
        heightsOff.append(each.naturalHeight());
    QVERIFY(!cell(1).subtitle && cell(1).arrangement == HolidayService::Arrangement::none);
    const QString lunarLine = popover.headerBar()->lunarText();

    fixture.preferences->setValue(SettingKeys::showFestivals, true);
    TestServices::settle();
    QCOMPARE(cell(1).subtitle, std::optional(u"国庆节"_s));
    QCOMPARE(cell(1).arrangement, HolidayService::Arrangement::dayOff);
    QCOMPARE(cell(10).arrangement, HolidayService::Arrangement::workday);
    // The lunar setting still decides the other days.
    QVERIFY(!cell(9).subtitle);
    QCOMPARE(popover.headerBar()->lunarText(), lunarLine + u" · 寒露"_s);
    QVERIFY(popover.dailyDock()->headingText().endsWith(u" · 寒露"_s));
    fixture.preferences->setValue(SettingKeys::showLunarCalendar, true);
    TestServices::settle();
    QCOMPARE(cell(9).subtitle, std::optional(u"廿九"_s));
    QCOMPARE(cell(18).subtitle, std::optional(u"重阳节"_s));
    for (int i = 0; i < heightsOff.size(); ++i)
        QCOMPARE(grid.cells().at(i).naturalHeight(), heightsOff.at(i));

    // A day with events has a dot while the setting is on; today's cell never has one.
    fixture.setEvents({TestServices::event(u"Trip"_s, TestServices::at(2026, 10, 2, 9)),
                       TestServices::event(u"Today"_s, TestServices::at(2026, 10, 8, 9))});
    QVERIFY(cell(2).showsDot() && !cell(3).showsDot() && !cell(8).showsDot());
    fixture.preferences->setValue(SettingKeys::showEventDots, false);
    TestServices::settle();
    QVERIFY(!cell(2).showsDot());
}

QTEST_MAIN(TestCalendarPopoverView)
#include "tst_calendarpopoverview.moc"
