#include "menubar/PanelLayout.h"

#include <QTest>

class TestPanelLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void origin_data();
    void origin();
    void itemPoint_data();
    void itemPoint();
    void contentHeight();
};

void TestPanelLayout::origin_data()
{
    QTest::addColumn<QRectF>("item");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QPoint>("expected");

    // A 1440 × 900 screen with a 28-point bar along the top that reserves its space.
    const QRect topBarAvailable(0, 28, 1440, 872);
    QTest::newRow("near the right edge clamps")
        << QRectF(1255, 2, 24, 24) << topBarAvailable << QPoint(1102, 34);
    QTest::newRow("near the left edge clamps")
        << QRectF(88, 2, 24, 24) << topBarAvailable << QPoint(8, 34);
    QTest::newRow("half points round away from zero")
        << QRectF(700, 2, 25, 24) << topBarAvailable << QPoint(548, 34);
    QTest::newRow("a bar that reserves nothing: under the item")
        << QRectF(688, 0, 24, 30) << QRect(0, 0, 1440, 900) << QPoint(535, 36);
    QTest::newRow("a click on a bar that reserves nothing: clear of the bar")
        << QRectF(1267, 12, 0, 0) << QRect(0, 0, 1440, 900) << QPoint(1102, 30);
    QTest::newRow("a click on a bottom bar that reserves nothing")
        << QRectF(700, 888, 0, 0) << QRect(0, 0, 1440, 900) << QPoint(535, 876 - 6 - 548);
    QTest::newRow("a bar along the bottom: above it")
        << QRectF(688, 874, 24, 24) << QRect(0, 0, 1440, 872) << QPoint(535, 872 - 6 - 548);
    QTest::newRow("a screen narrower than the panel keeps the left margin")
        << QRectF(150, 2, 24, 24) << QRect(0, 28, 300, 600) << QPoint(8, 34);
    QTest::newRow("a second screen to the right")
        << QRectF(1440 + 1255, 2, 24, 24) << QRect(1440, 28, 1440, 872) << QPoint(1440 + 1102, 34);

    // No place known: the right corner on the side of the bars.
    const QRectF unknown(0, 0, -1, -1);
    QTest::newRow("unknown place, top bar") << unknown << topBarAvailable << QPoint(1102, 34);
    QTest::newRow("unknown place, bottom bar")
        << unknown << QRect(0, 0, 1440, 872) << QPoint(1102, 872 - 6 - 548);
}

void TestPanelLayout::origin()
{
    QFETCH(QRectF, item);
    QFETCH(QRect, available);
    QFETCH(QPoint, expected);
    const QRect screen(available.x(), 0, available.width(), 900);
    const auto place = item.width() < 0 ? std::nullopt : std::optional(item);
    QCOMPARE(PanelLayout::panelOrigin(place, available, screen, QSize(330, 548)), expected);
}

void TestPanelLayout::itemPoint_data()
{
    QTest::addColumn<QPoint>("reported");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QPoint>("pointer");
    QTest::addColumn<QPoint>("expected");

    // (-1, -1) stands for nothing known.
    const QPoint none(-1, -1);
    const QRect full(0, 0, 1440, 900);
    QTest::newRow("on the bar") << QPoint(1267, 12) << full << none << QPoint(1267, 12);
    QTest::newRow("icon-local, the pointer known")
        << QPoint(10, 15) << full << QPoint(1267, 890) << QPoint(1267, 890);
    QTest::newRow("in the corner under the pointer")
        << QPoint(10, 15) << full << QPoint(14, 12) << QPoint(10, 15);
    QTest::newRow("in the corner on a bar that reserves space")
        << QPoint(10, 15) << QRect(0, 28, 1440, 872) << none << QPoint(10, 15);
}

void TestPanelLayout::itemPoint()
{
    QFETCH(QPoint, reported);
    QFETCH(QRect, available);
    QFETCH(QPoint, pointer);
    QFETCH(QPoint, expected);
    const auto known = [](QPoint point) {
        return point == QPoint(-1, -1) ? std::nullopt : std::optional(point);
    };
    QCOMPARE(PanelLayout::itemPoint(reported, available, QRect(0, 0, 1440, 900), known(pointer)),
             known(expected));
}

void TestPanelLayout::contentHeight()
{
    PanelLayout layout;
    QCOMPARE(layout.panelSize(), QSize(330, 548));

    QVERIFY(layout.reportContentHeight(300));
    QCOMPARE(layout.panelSize(), QSize(330, 420));

    QVERIFY(layout.reportContentHeight(612.2));
    QCOMPARE(layout.panelSize(), QSize(330, 613));
    QCOMPARE(layout.measuredContentHeight(), 613);

    QVERIFY(!layout.reportContentHeight(612.6));
    QVERIFY(!layout.reportContentHeight(0));
    QVERIFY(!layout.reportContentHeight(-5));
    QCOMPARE(layout.panelSize(), QSize(330, 613));

    // A new height that still gives the floor leaves the size alone.
    QVERIFY(layout.reportContentHeight(200));
    QVERIFY(!layout.reportContentHeight(380));
    QCOMPARE(layout.panelSize(), QSize(330, 420));
}

QTEST_GUILESS_MAIN(TestPanelLayout)
#include "tst_panellayout.moc"
