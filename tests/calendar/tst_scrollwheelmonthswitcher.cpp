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

constexpr quint32 none = Switcher::noPhase, began = Switcher::phaseBegan,
                  changed = Switcher::phaseChanged, ended = Switcher::phaseEnded,
                  cancelled = Switcher::phaseCancelled;

// The steps a run of events takes, as text: "+" for next month, "-" for previous month.
QString run(const QList<Event> &events)
{
    Switcher switcher;
    QString steps;
    for (const Event &event : events) {
        const auto step = switcher.handle(event);
        if (step != Switcher::Step::none)
            steps += step == Switcher::Step::nextMonth ? u'+' : u'-';
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

Q_DECLARE_METATYPE(QList<Event>)

class TestScrollWheelMonthSwitcher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void steps_data();
    void steps();
    void qtPhases();
    void filterOnTheHost();
};

void TestScrollWheelMonthSwitcher::steps_data()
{
    QTest::addColumn<QList<Event>>("scrolls");
    QTest::addColumn<QString>("expected");

    using L = QList<Event>;
    QTest::newRow("exactly 8 is too small") << L{{{0, -8}, none, none, 0}} << QString();
    QTest::newRow("just over 8 counts, in a swipe too") << L{{{0, -8.5}, began, none, 0}} << u"+"_s;
    QTest::newRow("0.42 s is not more than 0.42 s")
        << L{{{0, -10}, none, none, 5000}, {{0, -10}, none, none, 5420}} << u"+"_s;
    QTest::newRow("the interval runs from the last switch") << L{{{0, -10}, none, none, 5000},
                                                                 {{0, -10}, none, none, 5300},
                                                                 {{0, 10}, none, none, 5421}}
                                                            << u"+-"_s;
    QTest::newRow("a touchpad switch leaves the wheel free")
        << L{{{0, -20}, began, none, 5000}, {{0, -10}, none, none, 5100}} << u"++"_s;
    QTest::newRow("one swipe with momentum switches once")
        << L{{{0, -2}, began, none, 1000},    {{0, -30}, changed, none, 1016},
             {{0, -60}, changed, none, 1048}, {{0, 0}, ended, none, 1064},
             {{0, -50}, none, began, 1080},   {{0, -20}, none, changed, 1112},
             {{0, 0}, none, ended, 1144},     {{0, -30}, none, began, 3000}}
        << u"+"_s;
    QTest::newRow("a cancelled momentum ends the swipe") << L{{{0, -20}, changed, none, 1000},
                                                              {{0, -15}, none, cancelled, 1016},
                                                              {{0, -30}, changed, none, 1100}}
                                                         << u"++"_s;
    QTest::newRow("an end with a small delta leaves the reset to the timer")
        << L{{{0, -20}, changed, none, 1000},
             {{0, 0}, ended, none, 1100},
             {{0, -30}, changed, none, 1200},
             {{0, -30}, changed, none, 1460}}
        << u"++"_s;
    QTest::newRow("the direction of the first large delta counts")
        << L{{{25, 0}, began, none, 1000}, {{-40, 0}, changed, none, 1016}} << u"-"_s;
}

void TestScrollWheelMonthSwitcher::steps()
{
    QFETCH(QList<Event>, scrolls);
    QTEST(run(scrolls), "expected");
}

void TestScrollWheelMonthSwitcher::qtPhases()
{
    // A swipe ended before its momentum, then the momentum with an end of its own.
    const QList<Qt::ScrollPhase> qtPhases{Qt::ScrollBegin, Qt::ScrollUpdate, Qt::ScrollEnd,
                                          Qt::ScrollMomentum, Qt::ScrollEnd};
    const QList<quint32> phases{began, changed, ended, none, none};
    const QList<quint32> momentumPhases{none, none, none, began, ended};
    Switcher switcher;
    for (qsizetype i = 0; i < qtPhases.size(); ++i) {
        const Event event =
            switcher.scrollEvent(wheelEvent({10, 10}, {0, -120}, {0, -30}, qtPhases.at(i)), i);
        QCOMPARE(event.phase, phases.at(i));
        QCOMPARE(event.momentumPhase, momentumPhases.at(i));
    }
    // One notch is ten points; pixels win over angles.
    QCOMPARE(switcher.scrollEvent(wheelEvent({}, {0, -120}), 0).delta, QPointF(0, -10));
    QCOMPARE(switcher.scrollEvent(wheelEvent({}, {0, -120}, {-3, -25}), 0).delta, QPointF(-3, -25));
}

void TestScrollWheelMonthSwitcher::filterOnTheHost()
{
    QWidget window;
    window.resize(200, 200);
    auto *host = new QWidget(&window);
    host->setGeometry(0, 0, 200, 100);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    Switcher switcher;
    qint64 now = 0;
    bool overList = false;
    switcher.setClock([&now] { return now; });
    switcher.setScrollingListProbe([&overList](const QWheelEvent &) { return overList; });
    switcher.watch(host);
    QSignalSpy next(&switcher, &Switcher::nextMonth);
    QSignalSpy previous(&switcher, &Switcher::previousMonth);
    // A notch, another 0.3 s later (too soon), and one back 0.5 s after the first.
    const auto scroll = [&](QPointF position) {
        const qint64 start = now + 10'000;
        for (const auto &[ms, dy] : {std::pair{0, -120}, {300, -120}, {500, 120}}) {
            now = start + ms;
            QWheelEvent wheel = wheelEvent(position, {0, dy});
            QApplication::sendEvent(host, &wheel);
        }
    };
    scroll({50, 40});
    QCOMPARE(next.size(), 1);
    QCOMPARE(previous.size(), 1);
    // Not outside the host's bounds, over a scrolling list or in a window not active.
    scroll({50, 140});
    overList = true;
    scroll({50, 40});
    overList = false;
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    scroll({50, 40});
    QCOMPARE(next.size() + previous.size(), 2);
}

QTEST_MAIN(TestScrollWheelMonthSwitcher)
#include "tst_scrollwheelmonthswitcher.moc"
