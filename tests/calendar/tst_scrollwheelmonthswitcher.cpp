#include "calendar/ScrollWheelMonthSwitcher.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

using Switcher = ScrollWheelMonthSwitcher;
using Event = Switcher::ScrollEvent;

// One scroll event of a test: its delta, phases and time in milliseconds.
struct Scroll
{
    qreal dx;
    qreal dy;
    quint32 phase;
    quint32 momentumPhase;
    qint64 ms;
};

constexpr quint32 none = Switcher::noPhase;
constexpr quint32 began = Switcher::phaseBegan;
constexpr quint32 changed = Switcher::phaseChanged;
constexpr quint32 ended = Switcher::phaseEnded;
constexpr quint32 cancelled = Switcher::phaseCancelled;

// The steps a run of events takes, as text: "+" for next month, "-" for previous month.
QString run(Switcher &switcher, const QList<Scroll> &scrolls)
{
    QString steps;
    for (const Scroll &scroll : scrolls) {
        switch (switcher.handle(
            Event{QPointF(scroll.dx, scroll.dy), scroll.phase, scroll.momentumPhase, scroll.ms})) {
        case Switcher::Step::nextMonth:
            steps += u'+';
            break;
        case Switcher::Step::previousMonth:
            steps += u'-';
            break;
        case Switcher::Step::none:
            break;
        }
    }
    return steps;
}

QWheelEvent wheelEvent(QPointF position, QPoint angleDelta, QPoint pixelDelta = {},
                       Qt::ScrollPhase phase = Qt::NoScrollPhase)
{
    return QWheelEvent(position, position, pixelDelta, angleDelta, Qt::NoButton, Qt::NoModifier,
                       phase, false);
}

} // namespace

Q_DECLARE_METATYPE(QList<Scroll>)

class TestScrollWheelMonthSwitcher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dominantDelta_data();
    void dominantDelta();
    void wheelNotches_data();
    void wheelNotches();
    void touchpadGestures_data();
    void touchpadGestures();
    void qtPhases_data();
    void qtPhases();
    void wheelDeltaInPoints_data();
    void wheelDeltaInPoints();
    void filterOnTheHost_data();
    void filterOnTheHost();
};

void TestScrollWheelMonthSwitcher::dominantDelta_data()
{
    QTest::addColumn<qreal>("dx");
    QTest::addColumn<qreal>("dy");
    QTest::addColumn<QString>("expected");

    QTest::newRow("horizontal swipe left goes forward") << -20.0 << 5.0 << u"+"_s;
    QTest::newRow("exactly 8 is too small") << 0.0 << -8.0 << QString();
    QTest::newRow("just over 8 counts") << 0.0 << -8.5 << u"+"_s;
    QTest::newRow("equal magnitudes take the vertical, negative") << 10.0 << -10.0 << u"+"_s;
    QTest::newRow("the larger magnitude decides") << 3.0 << -30.0 << u"+"_s;
}

void TestScrollWheelMonthSwitcher::dominantDelta()
{
    QFETCH(qreal, dx);
    QFETCH(qreal, dy);
    QFETCH(QString, expected);

    Switcher notched;
    QCOMPARE(run(notched, {{dx, dy, none, none, 1000}}), expected);
    // The same thresholds hold inside a touchpad gesture.
    Switcher swiped;
    QCOMPARE(run(swiped, {{dx, dy, began, none, 1000}}), expected);
}

void TestScrollWheelMonthSwitcher::wheelNotches_data()
{
    QTest::addColumn<QList<Scroll>>("scrolls");
    QTest::addColumn<QString>("expected");

    QTest::newRow("exactly 0.42 s is not more than 0.42 s")
        << QList<Scroll>{{0, -10, none, none, 5000}, {0, -10, none, none, 5420}} << u"+"_s;
    QTest::newRow("0.421 s is") << QList<Scroll>{{0, -10, none, none, 5000},
                                                 {0, -10, none, none, 5421}}
                                << u"++"_s;
    QTest::newRow("the interval runs from the last switch, not the last notch")
        << QList<Scroll>{{0, -10, none, none, 5000},
                         {0, -10, none, none, 5300},
                         {0, -10, none, none, 5600}}
        << u"++"_s;
    QTest::newRow("a quick turn back waits too")
        << QList<Scroll>{{0, -10, none, none, 5000}, {0, 10, none, none, 5200}} << u"+"_s;
    QTest::newRow("small notches do not count toward the interval")
        << QList<Scroll>{{0, -3, none, none, 5000}, {0, -10, none, none, 5100}} << u"+"_s;
    QTest::newRow("a touchpad switch leaves the wheel free")
        << QList<Scroll>{{0, -20, began, none, 5000}, {0, -10, none, none, 5100}} << u"++"_s;
}

void TestScrollWheelMonthSwitcher::wheelNotches()
{
    QFETCH(QList<Scroll>, scrolls);
    QFETCH(QString, expected);
    Switcher switcher;
    QCOMPARE(run(switcher, scrolls), expected);
}

void TestScrollWheelMonthSwitcher::touchpadGestures_data()
{
    QTest::addColumn<QList<Scroll>>("scrolls");
    QTest::addColumn<QString>("expected");

    QTest::newRow("one swipe with momentum switches one month") << QList<Scroll>{
        {0, -2, began, none, 1000},    {0, -30, changed, none, 1016}, {0, -45, changed, none, 1032},
        {0, -60, changed, none, 1048}, {0, 0, ended, none, 1064},     {0, -50, none, began, 1080},
        {0, -35, none, changed, 1096}, {0, -20, none, changed, 1112}, {0, -9, none, changed, 1128},
        {0, 0, none, ended, 1144}} << u"+"_s;
    QTest::newRow("momentum never switches") << QList<Scroll>{{0, -50, none, began, 1000},
                                                              {0, -40, none, changed, 1016},
                                                              {0, -30, none, changed, 2000}}
                                             << QString();
    QTest::newRow("a second swipe switches again") << QList<Scroll>{{0, -20, began, none, 1000},
                                                                    {0, -30, changed, none, 1016},
                                                                    {0, 0, ended, none, 1100},
                                                                    {0, -25, began, none, 1200},
                                                                    {0, -30, changed, none, 1216}}
                                                   << u"++"_s;
    QTest::newRow("a swipe's end with a large delta ends it")
        << QList<Scroll>{{0, -20, changed, none, 1000},
                         {0, -15, ended, none, 1016},
                         {0, -30, changed, none, 1100}}
        << u"++"_s;
    QTest::newRow("a cancelled momentum ends the swipe")
        << QList<Scroll>{{0, -20, changed, none, 1000},
                         {0, -15, none, cancelled, 1016},
                         {0, -30, changed, none, 1100}}
        << u"++"_s;
    QTest::newRow("a swipe without an end switches again after 0.45 s")
        << QList<Scroll>{{0, -20, changed, none, 1000},
                         {0, -30, changed, none, 1449},
                         {0, -30, changed, none, 1450}}
        << u"++"_s;
    QTest::newRow("an end with a small delta leaves the reset to the timer")
        << QList<Scroll>{{0, -20, changed, none, 1000},
                         {0, 0, ended, none, 1100},
                         {0, -30, changed, none, 1200},
                         {0, -30, changed, none, 1460}}
        << u"++"_s;
    QTest::newRow("the direction of the first large delta counts")
        << QList<Scroll>{{25, 0, began, none, 1000}, {-40, 0, changed, none, 1016}} << u"-"_s;
}

void TestScrollWheelMonthSwitcher::touchpadGestures()
{
    QFETCH(QList<Scroll>, scrolls);
    QFETCH(QString, expected);
    Switcher switcher;
    QCOMPARE(run(switcher, scrolls), expected);
}

void TestScrollWheelMonthSwitcher::qtPhases_data()
{
    QTest::addColumn<QList<int>>("qtPhases");
    QTest::addColumn<QList<quint32>>("phases");
    QTest::addColumn<QList<quint32>>("momentumPhases");

    QTest::newRow("swipe with momentum")
        << QList<int>{Qt::ScrollBegin, Qt::ScrollUpdate, Qt::ScrollMomentum, Qt::ScrollMomentum,
                      Qt::ScrollEnd}
        << QList<quint32>{began, changed, none, none, none}
        << QList<quint32>{none, none, began, changed, ended};
    QTest::newRow("swipe ended before momentum")
        << QList<int>{Qt::ScrollBegin, Qt::ScrollUpdate, Qt::ScrollEnd, Qt::ScrollMomentum,
                      Qt::ScrollEnd}
        << QList<quint32>{began, changed, ended, none, none}
        << QList<quint32>{none, none, none, began, ended};
}

void TestScrollWheelMonthSwitcher::qtPhases()
{
    QFETCH(QList<int>, qtPhases);
    QFETCH(QList<quint32>, phases);
    QFETCH(QList<quint32>, momentumPhases);

    Switcher switcher;
    for (qsizetype i = 0; i < qtPhases.size(); ++i) {
        const QWheelEvent wheel =
            wheelEvent({10, 10}, {0, -120}, {0, -30}, Qt::ScrollPhase(qtPhases.at(i)));
        const Event event = switcher.scrollEvent(wheel, 100 + i);
        QCOMPARE(event.phase, phases.at(i));
        QCOMPARE(event.momentumPhase, momentumPhases.at(i));
        QCOMPARE(event.timestampMs, 100 + i);
    }
}

void TestScrollWheelMonthSwitcher::wheelDeltaInPoints_data()
{
    QTest::addColumn<QPoint>("angleDelta");
    QTest::addColumn<QPoint>("pixelDelta");
    QTest::addColumn<QPointF>("expected");

    QTest::newRow("one notch is ten points") << QPoint(0, -120) << QPoint() << QPointF(0, -10);
    QTest::newRow("pixels win over angles")
        << QPoint(0, -120) << QPoint(-3, -25) << QPointF(-3, -25);
}

void TestScrollWheelMonthSwitcher::wheelDeltaInPoints()
{
    QFETCH(QPoint, angleDelta);
    QFETCH(QPoint, pixelDelta);
    QFETCH(QPointF, expected);
    Switcher switcher;
    QCOMPARE(switcher.scrollEvent(wheelEvent({1, 1}, angleDelta, pixelDelta), 0).delta, expected);
}

void TestScrollWheelMonthSwitcher::filterOnTheHost_data()
{
    QTest::addColumn<bool>("activeWindow");
    QTest::addColumn<QPointF>("position");
    QTest::addColumn<bool>("overList");
    QTest::addColumn<int>("steps");

    QTest::newRow("over the host in the active window") << true << QPointF(50, 40) << false << 1;
    QTest::newRow("window not active") << false << QPointF(50, 40) << false << 0;
    QTest::newRow("outside the host's bounds") << true << QPointF(50, 140) << false << 0;
    QTest::newRow("over a scrolling list") << true << QPointF(50, 40) << true << 0;
}

void TestScrollWheelMonthSwitcher::filterOnTheHost()
{
    QFETCH(bool, activeWindow);
    QFETCH(QPointF, position);
    QFETCH(bool, overList);
    QFETCH(int, steps);

    QWidget window;
    window.resize(200, 200);
    auto *host = new QWidget(&window);
    host->setGeometry(0, 0, 200, 100);
    QWidget other;
    if (activeWindow) {
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    } else {
        window.show();
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QVERIFY(!host->isActiveWindow());
    }

    Switcher switcher;
    qint64 now = 10'000;
    switcher.setClock([&now] { return now; });
    switcher.setScrollingListProbe([overList](const QWheelEvent &) { return overList; });
    switcher.watch(host);
    QSignalSpy next(&switcher, &Switcher::nextMonth);
    QSignalSpy previous(&switcher, &Switcher::previousMonth);

    QWheelEvent first = wheelEvent(position, {0, -120});
    QApplication::sendEvent(host, &first);
    // 0.3 s later: too soon for a second switch.
    now += 300;
    QWheelEvent second = wheelEvent(position, {0, -120});
    QApplication::sendEvent(host, &second);
    QCOMPARE(next.size(), steps);
    // 0.5 s after the first: switches again, back this time.
    now += 200;
    QWheelEvent third = wheelEvent(position, {0, 120});
    QApplication::sendEvent(host, &third);
    QCOMPARE(next.size(), steps);
    QCOMPARE(previous.size(), steps);
}

QTEST_MAIN(TestScrollWheelMonthSwitcher)
#include "tst_scrollwheelmonthswitcher.moc"
