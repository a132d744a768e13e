#include "calendar/CalendarPopoverView.h"

#include "PanelFixture.h"
#include "calendar/DailyDockView.h"
#include "calendar/DailyEventRow.h"
#include "calendar/HeaderBar.h"
#include "calendar/MonthGridView.h"
#include "calendar/ShortcutHintBanner.h"
#include "shared/AppFonts.h"
#include "shared/AppTheme.h"
#include "shared/PanelText.h"
#include "shared/SystemTimeZone.h"

#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
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

// The colour painted a little left of a cell's centre: inside a backdrop, outside the digits.
QColor backdropSample(MonthGridView &grid, int index)
{
    QImage image(grid.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    grid.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    const QPointF centre = grid.cellRect(index).center();
    return image.pixelColor(QPoint(int(centre.x() - 16), int(centre.y() + 12)));
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

    void clickingADaySelectsIt();
    void pagingHidesTheSelectionButNotToday();
    void dayEvents_data();
    void dayEvents();
    void loadingShowsTheDateHeading();
    void hintBannerOncePerUser_data();
    void hintBannerOncePerUser();
    void eventDotsFollowTheSetting();
    void contentHeightIsReported();
    void appearanceChangeRebuildsTheContent();
    void keysPageTheMonth();
    void lunarLineSeparators();
    void dotAndBadgeKeepClearOfTheText_data();
    void dotAndBadgeKeepClearOfTheText();
    void festivalsInTheGridHeaderAndDock();
    void textInkStaysInsideItsLine_data();
    void textInkStaysInsideItsLine();

private:
    CalendarPopoverView &makeView(PanelFixture &fixture);

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

CalendarPopoverView &TestCalendarPopoverView::makeView(PanelFixture &fixture)
{
    view = std::make_unique<CalendarPopoverView>(*fixture.viewModel, *fixture.preferences,
                                                 fixture.desktop.get());
    view->setAnimationsEnabled(false);
    view->show();
    PanelFixture::settle();
    return *view;
}

void TestCalendarPopoverView::clickingADaySelectsIt()
{
    // A trailing day switches to the next month.
    const QDate clicked(2026, 4, 5);
    PanelFixture fixture(newYork, QDate(2026, 3, 16));
    PanelFixture::settle();
    CalendarPopoverView &popover = makeView(fixture);
    MonthGridView &grid = *popover.monthGrid();

    const int index = indexOfDay(grid, clicked);
    QVERIFY(index >= 0);
    QTest::mouseClick(&grid, Qt::LeftButton, {}, grid.cellRect(index).center().toPoint());
    PanelFixture::settle();

    QCOMPARE(dayOf(fixture.viewModel->displayedMonth()), QDate(2026, 4, 1));
    QCOMPARE(fixture.viewModel->selectedDate(),
             PanelFixture::at(clicked.year(), clicked.month(), clicked.day()));
    QVERIFY(fixture.viewModel->hasVisibleSelection());
    // The grid now shows the clicked day's month, with that day selected.
    const int selected = indexOfDay(grid, clicked);
    QVERIFY(grid.cells().at(selected).isSelected);
}

void TestCalendarPopoverView::pagingHidesTheSelectionButNotToday()
{
    PanelFixture fixture(newYork, QDate(2026, 3, 16));
    fixture.viewModel->select(PanelFixture::at(2026, 3, 20));
    PanelFixture::settle();
    CalendarPopoverView &popover = makeView(fixture);
    MonthGridView &grid = *popover.monthGrid();

    const int selected = indexOfDay(grid, QDate(2026, 3, 20));
    const int today = indexOfDay(grid, QDate(2026, 3, 16));
    const int plain = indexOfDay(grid, QDate(2026, 3, 18));
    QCOMPARE(grid.cells().at(selected).backdrop(), DayCellView::Backdrop::selection);
    QCOMPARE(grid.cells().at(today).backdrop(), DayCellView::Backdrop::today);
    QCOMPARE(backdropSample(grid, selected).alpha(), 255);

    fixture.viewModel->nextMonth();
    fixture.viewModel->previousMonth();
    PanelFixture::settle();

    QVERIFY(!fixture.viewModel->hasVisibleSelection());
    QCOMPARE(dayOf(fixture.viewModel->selectedDate()), QDate(2026, 3, 20));
    for (const DayCellView &cell : grid.cells())
        QCOMPARE_NE(cell.backdrop(), DayCellView::Backdrop::selection);
    QCOMPARE(grid.cells().at(today).backdrop(), DayCellView::Backdrop::today);

    // As drawn: nothing behind the selected day, the faint accent behind today.
    QCOMPARE(backdropSample(grid, selected).alpha(), 0);
    QCOMPARE(backdropSample(grid, plain).alpha(), 0);
    const QColor todaySample = backdropSample(grid, today);
    QVERIFY2(qAbs(todaySample.alphaF() - 0.14) < 0.03,
             qPrintable(todaySample.name(QColor::HexArgb)));
}

void TestCalendarPopoverView::dayEvents_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("body");
    QTest::addColumn<int>("scrollHeight");

    QTest::newRow("none: the quiet line") << 0 << int(DailyDockView::Body::empty) << -1;
    QTest::newRow("three events, plain") << 3 << int(DailyDockView::Body::list) << -1;
    QTest::newRow("four events scroll, capped at 150")
        << 4 << int(DailyDockView::Body::scrollingList) << 150;
}

void TestCalendarPopoverView::dayEvents()
{
    QFETCH(int, count);
    QFETCH(int, body);
    QFETCH(int, scrollHeight);

    PanelFixture fixture(newYork, QDate(2026, 3, 16));
    QList<CalendarDayEvent> events;
    for (int i = 0; i < count; ++i) {
        // The last one's colour text is no colour.
        events.append(PanelFixture::event(u"Event %1"_s.arg(i),
                                          PanelFixture::at(2026, 3, 16, 8 + i),
                                          i == count - 1 ? u"#GGHHII"_s : u"#336699"_s));
    }
    events.append(PanelFixture::event(u"Another day"_s, PanelFixture::at(2026, 3, 17, 9)));
    fixture.setEvents(events);
    fixture.viewModel->goToToday();
    PanelFixture::settle();
    CalendarPopoverView &popover = makeView(fixture);
    DailyDockView &dock = *popover.dailyDock();

    QCOMPARE(int(dock.body()), body);
    const QList<DailyEventRow *> rows = dock.eventRows();
    QCOMPARE(rows.size(), count);
    if (count == 0) {
        QCOMPARE(dock.headingText(), DailyDockView::noEventsTitle);
    } else {
        QCOMPARE(dock.headingText(), u"3月16日 星期一日程"_s);
        QCOMPARE(rows.last()->barColor(), AppTheme::accent());
        QCOMPARE(rows.first()->barColor(), QColor(0x33, 0x66, 0x99));
    }
    if (scrollHeight < 0) {
        QVERIFY(!dock.scrollArea());
    } else {
        QVERIFY(dock.scrollArea());
        QCOMPARE(dock.scrollArea()->height(), scrollHeight);
        QCOMPARE(dock.scrollArea()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    }

    // A row hands its event to the view model; the fake store has no opener, so only the
    // click's reaching the row is checked here.
    if (count > 0) {
        QSignalSpy clicked(rows.first(), &QAbstractButton::clicked);
        QTest::mouseClick(rows.first(), Qt::LeftButton, {}, QPoint(20, 10));
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(rows.first()->focusPolicy(), Qt::NoFocus);
    }
}

void TestCalendarPopoverView::loadingShowsTheDateHeading()
{
    PanelFixture fixture(newYork, QDate(2026, 3, 16));
    PanelFixture::settle();
    CalendarPopoverView &popover = makeView(fixture);
    DailyDockView &dock = *popover.dailyDock();
    QCOMPARE(dock.headingText(), DailyDockView::noEventsTitle);

    fixture.holdLoads = true;
    fixture.viewModel->nextMonth();
    PanelFixture::settle();
    QVERIFY(fixture.viewModel->isLoadingMonth());
    QCOMPARE(int(dock.body()), int(DailyDockView::Body::loading));
    QCOMPARE(dock.headingText(), u"3月16日 星期一日程"_s);

    for (const auto &done : std::as_const(fixture.held))
        done({});
    PanelFixture::settle();
    QCOMPARE(int(dock.body()), int(DailyDockView::Body::empty));
    QCOMPARE(dock.headingText(), DailyDockView::noEventsTitle);
}

void TestCalendarPopoverView::hintBannerOncePerUser_data()
{
    QTest::addColumn<bool>("alreadyShown");
    QTest::newRow("first opening after installation") << false;
    QTest::newRow("the flag is already in the settings file") << true;
}

void TestCalendarPopoverView::hintBannerOncePerUser()
{
    QFETCH(bool, alreadyShown);
    PanelFixture fixture(newYork, QDate(2026, 3, 16));
    if (alreadyShown)
        fixture.settings.setBool(CalendarPopoverView::didShowShortcutHintKey, true);

    CalendarPopoverView &first = makeView(fixture);
    QCOMPARE(first.isShowingShortcutHint(), !alreadyShown);
    QCOMPARE(first.shortcutHintBanner()->isVisible(), !alreadyShown);
    // Written at once, so another process or a later run sees it.
    const SettingsStore reread(fixture.settings.filePath());
    QCOMPARE(reread.boolValue(CalendarPopoverView::didShowShortcutHintKey), std::optional(true));

    // Closed before the 2.6 s pass: the banner goes at once and does not come back.
    first.hide();
    QVERIFY(!first.isShowingShortcutHint());
    QVERIFY(!first.shortcutHintBanner()->isVisible());
    first.show();
    PanelFixture::settle();
    QVERIFY(!first.isShowingShortcutHint());

    // A new panel content shows none either.
    view.reset();
    CalendarPopoverView &second = makeView(fixture);
    QVERIFY(!second.isShowingShortcutHint());
    QVERIFY(!second.shortcutHintBanner()->isVisible());
}

void TestCalendarPopoverView::eventDotsFollowTheSetting()
{
    PanelFixture fixture(newYork, QDate(2026, 3, 16));
    fixture.setEvents({
        PanelFixture::event(u"Today"_s, PanelFixture::at(2026, 3, 16, 9), u"#336699"_s),
        PanelFixture::event(u"Fifth"_s, PanelFixture::at(2026, 3, 5, 9), u"#336699"_s),
    });
    CalendarPopoverView &popover = makeView(fixture);
    MonthGridView &grid = *popover.monthGrid();
    const auto cell = [&](int day) {
        return grid.cells().at(indexOfDay(grid, QDate(2026, 3, day)));
    };

    QVERIFY(cell(5).showsDot());
    QVERIFY(!cell(7).dotColor);
    // Today's cell has events but never a dot.
    QVERIFY(cell(16).dotColor);
    QVERIFY(!cell(16).showsDot());

    fixture.preferences->setShowEventDots(false);
    PanelFixture::settle();
    for (const DayCellView &each : grid.cells())
        QVERIFY(!each.showsDot());

    fixture.preferences->setShowEventDots(true);
    PanelFixture::settle();
    QVERIFY(cell(5).showsDot());
}

void TestCalendarPopoverView::contentHeightIsReported()
{
    PanelFixture fixture(newYork, QDate(2027, 1, 15));
    PanelFixture::settle();
    fixture.settings.setBool(CalendarPopoverView::didShowShortcutHintKey, true);

    QList<qreal> reported;
    view = std::make_unique<CalendarPopoverView>(*fixture.viewModel, *fixture.preferences,
                                                 fixture.desktop.get());
    view->setAnimationsEnabled(false);
    view->setOnContentHeightChange([&](qreal height) { reported.append(height); });
    view->show();
    PanelFixture::settle();

    QVERIFY(!reported.isEmpty());
    const qreal january = reported.last();
    QCOMPARE(january, qreal(view->height()));
    QCOMPARE(view->width(), CalendarPopoverView::panelWidth);
    QCOMPARE(view->monthGrid()->rowCount(), 5);

    // January 2027 has five weeks, February four: one row and its spacing fewer.
    const qreal rowHeight =
        view->monthGrid()->cellRect(7).top() - view->monthGrid()->cellRect(0).top();
    fixture.viewModel->nextMonth();
    PanelFixture::settle();
    QCOMPARE(view->monthGrid()->rowCount(), 4);
    QCOMPARE(reported.last(), qreal(view->height()));
    QVERIFY2(qAbs(january - reported.last() - rowHeight) <= 1,
             qPrintable(u"%1 → %2, row %3"_s.arg(january).arg(reported.last()).arg(rowHeight)));
}

void TestCalendarPopoverView::appearanceChangeRebuildsTheContent()
{
    PanelFixture fixture(newYork, QDate(2026, 3, 16));
    CalendarPopoverView &popover = makeView(fixture);
    const QString token =
        fixture.preferences->appearanceRefreshToken().toString(QUuid::WithoutBraces).toUpper();
    QCOMPARE(popover.identityText(), u"system-"_s + token);

    const QPointer<QWidget> before = popover.content();
    fixture.preferences->setAppearanceMode(AppAppearanceMode::system);
    QCOMPARE(popover.content(), before.data());

    fixture.preferences->setAppearanceMode(AppAppearanceMode::dark);
    QCOMPARE(popover.identityText(), u"dark-"_s + token);
    QVERIFY(popover.content() != before.data());
    PanelFixture::settle();
    QVERIFY(!before);
    QVERIFY(popover.monthGrid()->isVisible());
}

void TestCalendarPopoverView::keysPageTheMonth()
{
    PanelFixture fixture(newYork, QDate(2026, 3, 16));
    CalendarPopoverView &popover = makeView(fixture);
    // With the cross-fades on, as in the panel: each step grabs the old look first.
    popover.setAnimationsEnabled(true);
    QTest::keyClick(&popover, Qt::Key_Right);
    QCOMPARE(dayOf(fixture.viewModel->displayedMonth()), QDate(2026, 4, 1));
    QTest::keyClick(&popover, Qt::Key_Right, Qt::ControlModifier);
    QCOMPARE(dayOf(fixture.viewModel->displayedMonth()), QDate(2027, 4, 1));
    QTest::keyClick(&popover, Qt::Key_Space);
    QCOMPARE(dayOf(fixture.viewModel->displayedMonth()), QDate(2026, 3, 1));
}

void TestCalendarPopoverView::lunarLineSeparators()
{
    PanelFixture fixture(shanghai, QDate(2026, 3, 16));
    CalendarPopoverView &popover = makeView(fixture);
    HeaderBar &header = *popover.headerBar();
    const QString lunar = header.lunarText();
    QCOMPARE(lunar.count(u" · "_s), 1);
    QVERIFY(lunar.startsWith(u"丙午马年 · "_s));
    QCOMPARE(header.titleText(), u"2026年 3月"_s);
    QVERIFY(!header.isLunarOnItsOwnLine());
    QVERIFY(header.lunarRect().width() <= HeaderBar::lunarMaximumWidth);
    QCOMPARE(header.lunarRect().right(), qreal(header.width()));

    // Too narrow for both on one line, as wider font metrics make it: the lunar line goes under
    // the title whole, and the header grows to hold it.
    const int oneLine = header.sizeHint().height();
    header.resize(200, header.height());
    QVERIFY(header.isLunarOnItsOwnLine());
    const QRectF rect = header.lunarRect();
    QVERIFY(rect.top() >= AppFonts::lineHeight(HeaderBar::titleFont()));
    QVERIFY(rect.bottom() <= header.sizeHint().height());
    QVERIFY(header.sizeHint().height() > oneLine);
    const QFont shown = PanelText::fittingFont(HeaderBar::lunarFont(), lunar, rect.width(),
                                               HeaderBar::lunarMinimumScale);
    QVERIFY(PanelText::width(shown, lunar) <= rect.width() + 0.5);
}

void TestCalendarPopoverView::textInkStaysInsideItsLine_data()
{
    QTest::addColumn<QStringList>("families");
    QTest::addColumn<QString>("text");
    QTest::addColumn<qreal>("width");

    const QString cjk = u"Noto Sans CJK SC"_s;
    const QString motto = u"栖格之间，万事有序。"_s;
    QTest::newRow("Latin font, CJK fallback")
        << QStringList{u"DejaVu Sans"_s, cjk} << motto << 400.0;
    QTest::newRow("Latin font, cut") << QStringList{u"DejaVu Sans"_s, cjk} << motto << 60.0;
}

void TestCalendarPopoverView::textInkStaysInsideItsLine()
{
    QFETCH(QStringList, families);
    QFETCH(QString, text);
    QFETCH(qreal, width);
    for (const QString &family : std::as_const(families)) {
        if (!QFontDatabase::hasFamily(family))
            QSKIP("the font is not installed");
    }
    QFont font;
    font.setFamilies(families);
    font.setPointSizeF(10);
    font.setHintingPreference(QFont::PreferNoHinting);

    // The line box sits in the middle of a larger image, so ink outside it is seen, not clipped.
    const QRectF line(0, 40, width, AppFonts::lineHeight(font));
    QImage image(int(width), 120, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        PanelText::draw(painter, line, text, font, Qt::black);
    }
    int top = image.height();
    int bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        if (std::any_of(row, row + image.width(), [](QRgb pixel) { return qAlpha(pixel) > 64; })) {
            top = std::min(top, y);
            bottom = y;
        }
    }
    QVERIFY(bottom >= 0);
    const QString where =
        u"ink %1…%2, line %3…%4"_s.arg(top).arg(bottom).arg(line.top()).arg(line.bottom());
    QVERIFY2(top >= line.top() && bottom < line.bottom(), qPrintable(where));
    // Centred, not sitting low: the fault was a fifth of the size.
    const qreal offCentre = (top + bottom + 1) / 2.0 - line.center().y();
    QVERIFY2(std::abs(offCentre) <= 0.1 * AppFonts::designSize(font), qPrintable(where));
}

void TestCalendarPopoverView::dotAndBadgeKeepClearOfTheText_data()
{
    QTest::addColumn<int>("day");
    QTest::addColumn<QString>("subtitle");
    QTest::addColumn<bool>("isToday");

    QTest::newRow("festival") << 28 << u"国庆节"_s << false;
    QTest::newRow("today, larger number") << 28 << u"霜降"_s << true;
}

void TestCalendarPopoverView::dotAndBadgeKeepClearOfTheText()
{
    QFETCH(int, day);
    QFETCH(QString, subtitle);
    QFETCH(bool, isToday);
    TimeZoneScope zone(shanghai);
    DayCellView cell;
    cell.date = PanelFixture::at(2026, 10, day, 0);
    cell.isCurrentMonth = true;
    cell.isToday = isToday;
    if (!subtitle.isEmpty())
        cell.subtitle = subtitle;
    const QRect text = inkBounds(renderCell(cell));

    // The dot has a room of its own under the text, inside the cell; today's cell has none.
    DayCellView dotted = cell;
    dotted.dotColor = QColor(Qt::red);
    const QRect dot = inkBounds(renderCell(dotted), renderCell(cell));
    QCOMPARE(dot.isEmpty(), isToday);
    if (!isToday) {
        QVERIFY2(dot.top() > text.bottom() + 1,
                 qPrintable(u"dot from %1, text to %2"_s.arg(dot.top()).arg(text.bottom())));
        QVERIFY(dot.bottom() < 104);
    }

    // The badge sits at the day number's top right, clear of it and inside the cell.
    DayCellView numberOnly = cell;
    numberOnly.subtitle.reset();
    const QRect number = inkBounds(renderCell(numberOnly));
    DayCellView marked = cell;
    marked.arrangement = HolidayService::Arrangement::workday;
    const QRect badge = inkBounds(renderCell(marked), renderCell(cell));
    QVERIFY(!badge.isEmpty());
    QVERIFY2(!badge.intersects(number) && badge.left() > number.center().x() && badge.right() < 92,
             qPrintable(u"badge at %1,%2, number to %3,%4"_s.arg(badge.left())
                            .arg(badge.bottom())
                            .arg(number.right())
                            .arg(number.top())));
    QCOMPARE(marked.naturalHeight(), cell.naturalHeight());
}

void TestCalendarPopoverView::festivalsInTheGridHeaderAndDock()
{
    PanelFixture fixture(shanghai, QDate(2026, 10, 8));
    fixture.setEvents({PanelFixture::event(u"Trip"_s, PanelFixture::at(2026, 10, 2, 9))});
    fixture.preferences->setShowLunarCalendar(false);
    CalendarPopoverView &popover = makeView(fixture);
    MonthGridView &grid = *popover.monthGrid();
    const auto cell = [&](int day) {
        return grid.cells().at(indexOfDay(grid, QDate(2026, 10, day)));
    };
    QList<qreal> heightsOff;
    for (const DayCellView &each : grid.cells()) {
        QVERIFY(!each.subtitle && each.arrangement == HolidayService::Arrangement::none);
        heightsOff.append(each.naturalHeight());
    }
    const QString lunarLine = popover.headerBar()->lunarText();

    fixture.preferences->setShowFestivals(true);
    PanelFixture::settle();
    QCOMPARE(cell(1).subtitle, std::optional(u"国庆节"_s));
    QVERIFY(cell(1).subtitleIsNamedDay);
    QCOMPARE(cell(1).arrangement, HolidayService::Arrangement::dayOff);
    QCOMPARE(cell(8).subtitle, std::optional(u"寒露"_s));
    QCOMPARE(cell(10).arrangement, HolidayService::Arrangement::workday);
    // The lunar setting still decides the other days.
    QVERIFY(!cell(9).subtitle && !cell(9).subtitleIsNamedDay);
    QCOMPARE(popover.headerBar()->lunarText(), lunarLine + u" · 寒露"_s);
    QVERIFY(popover.dailyDock()->headingText().endsWith(u" · 寒露"_s));
    fixture.preferences->setShowLunarCalendar(true);
    PanelFixture::settle();
    QCOMPARE(cell(9).subtitle, std::optional(u"廿九"_s));
    QCOMPARE(cell(18).subtitle, std::optional(u"重阳节"_s));
    QList<qreal> heightsOn;
    for (const DayCellView &each : grid.cells())
        heightsOn.append(each.naturalHeight());
    QCOMPARE(heightsOn, heightsOff);
}

QTEST_MAIN(TestCalendarPopoverView)
#include "tst_calendarpopoverview.moc"
