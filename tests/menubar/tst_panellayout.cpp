#include "menubar/PanelLayout.h"

#include <QTest>

class TestPanelLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void origin_data();
    void origin();
    void contentHeight();
    void refreshPrefersTheMeasuredHeight();
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
    QTest::newRow("centred under the item")
        << QRectF(688, 2, 24, 24) << topBarAvailable << QPoint(535, 34);
    QTest::newRow("near the left edge clamps")
        << QRectF(88, 2, 24, 24) << topBarAvailable << QPoint(8, 34);
    QTest::newRow("half points round away from zero")
        << QRectF(700, 2, 25, 24) << topBarAvailable << QPoint(548, 34);
    QTest::newRow("a bar that reserves nothing: under the item")
        << QRectF(688, 0, 24, 30) << QRect(0, 0, 1440, 900) << QPoint(535, 36);
    QTest::newRow("a click point standing for the item")
        << QRectF(700, 12, 0, 0) << topBarAvailable << QPoint(535, 34);
    QTest::newRow("a click point with no bar reserving space")
        << QRectF(1267, 12, 0, 0) << QRect(0, 0, 1440, 900) << QPoint(1102, 18);
    QTest::newRow("a bar along the bottom: above it")
        << QRectF(688, 874, 24, 24) << QRect(0, 0, 1440, 872) << QPoint(535, 872 - 6 - 548);
    QTest::newRow("a bottom bar that reserves nothing: above the item")
        << QRectF(688, 870, 24, 30) << QRect(0, 0, 1440, 900) << QPoint(535, 870 - 6 - 548);
    QTest::newRow("a screen narrower than the panel keeps the left margin")
        << QRectF(150, 2, 24, 24) << QRect(0, 28, 300, 600) << QPoint(8, 34);
    QTest::newRow("a second screen to the right")
        << QRectF(1440 + 1255, 2, 24, 24) << QRect(1440, 28, 1440, 872) << QPoint(1440 + 1102, 34);
}

void TestPanelLayout::origin()
{
    QFETCH(QRectF, item);
    QFETCH(QRect, available);
    QFETCH(QPoint, expected);
    const QRect screen(available.x(), 0, available.width(), 900);
    QCOMPARE(PanelLayout::panelOrigin(item, available, screen, QSize(330, 548)), expected);
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

void TestPanelLayout::refreshPrefersTheMeasuredHeight()
{
    PanelLayout layout;
    QVERIFY(layout.refresh(500.1));
    QCOMPARE(layout.panelSize(), QSize(330, 501));
    layout.reportContentHeight(640);
    QVERIFY(!layout.refresh(100));
    QCOMPARE(layout.panelSize(), QSize(330, 640));
}

QTEST_GUILESS_MAIN(TestPanelLayout)
#include "tst_panellayout.moc"
