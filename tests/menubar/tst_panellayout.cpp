#include "menubar/PanelLayout.h"

#include <QTest>

class TestPanelLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void placement_data()
    {
        QTest::addColumn<QRectF>("item"); // the item's geometry, empty when the host tells none
        QTest::addColumn<QPoint>("click"); // the host's click point, (-1, -1) for none
        QTest::addColumn<QPoint>("pointer"); // (-1, -1) for unknown
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QPoint>("expected");

        // A 1440 × 900 screen; a 28-point bar along the top that reserves its space, or none.
        const QRect topBar(0, 28, 1440, 872);
        const QRect full(0, 0, 1440, 900);
        const QRect bottomBar(0, 0, 1440, 872);
        const QPoint none(-1, -1);
        const QRectF noItem;
        QTest::newRow("item near the right edge clamps")
            << QRectF(1255, 2, 24, 24) << none << none << topBar << QPoint(1102, 34);
        QTest::newRow("item near the left edge clamps")
            << QRectF(88, 2, 24, 24) << none << none << topBar << QPoint(8, 34);
        QTest::newRow("item on a bar that reserves nothing: under it")
            << QRectF(688, 0, 24, 30) << none << none << full << QPoint(535, 36);
        QTest::newRow("item on a bottom bar: above it")
            << QRectF(688, 874, 24, 24) << none << none << bottomBar << QPoint(535, 318);
        QTest::newRow("a screen narrower than the panel keeps the left margin")
            << QRectF(150, 2, 24, 24) << none << none << QRect(0, 28, 300, 600) << QPoint(8, 34);
        QTest::newRow("a second screen to the right")
            << QRectF(2695, 2, 24, 24) << none << none << QRect(1440, 28, 1440, 872)
            << QPoint(2542, 34);
        QTest::newRow("click on a bar that reserves nothing: clear of the bar")
            << noItem << QPoint(1267, 12) << none << full << QPoint(1102, 30);
        QTest::newRow("click on a bottom bar that reserves nothing")
            << noItem << QPoint(700, 888) << none << full << QPoint(535, 322);
        QTest::newRow("icon-local click, the pointer stands for the item")
            << noItem << QPoint(10, 15) << QPoint(1267, 890) << full << QPoint(1102, 326);
        QTest::newRow("click in the corner under the pointer")
            << noItem << QPoint(10, 15) << QPoint(14, 12) << full << QPoint(8, 36);
        QTest::newRow("click in the corner on a bar that reserves space")
            << noItem << QPoint(10, 15) << none << topBar << QPoint(8, 36);
        QTest::newRow("no place known, top bar")
            << noItem << none << none << topBar << QPoint(1102, 34);
        QTest::newRow("no place known, bottom bar")
            << noItem << none << none << bottomBar << QPoint(1102, 318);
    }

    void placement()
    {
        QFETCH(QRectF, item);
        QFETCH(QPoint, click);
        QFETCH(QPoint, pointer);
        QFETCH(QRect, available);
        QFETCH(QPoint, expected);
        const QRect screen(available.x(), 0, available.width(), 900);
        const auto known = [](QPoint point) {
            return point == QPoint(-1, -1) ? std::nullopt : std::optional(point);
        };
        std::optional<QRectF> place;
        if (!item.isEmpty())
            place = item;
        else if (const auto point =
                     PanelLayout::itemPoint(click, available, screen, known(pointer));
                 point && known(click))
            place = QRectF(*point, QSizeF());
        const QPoint origin = PanelLayout::panelOrigin(place, available, screen, QSize(330, 548));
        QCOMPARE(origin, expected);
        // Never over a bar that reserves its space.
        QVERIFY(available.contains(QRect(origin, QSize(330, 548))) || available.width() < 330);
    }
};

QTEST_GUILESS_MAIN(TestPanelLayout)
#include "tst_panellayout.moc"
