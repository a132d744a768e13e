#include "menubar/I3IpcClient.h"
#include "menubar/SwayPlacement.h"

#include <QTest>

// Sway's answers as the placement reads them, and the framing of sway's IPC, without sway.
class TestSwayPlacement : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void placement_data()
    {
        QTest::addColumn<QRect>("usable"); // of the output (0, 0, 1440, 900)
        QTest::addColumn<QPoint>("click");
        QTest::addColumn<QPoint>("expected");

        const QRect topBar(0, 30, 1440, 870);
        const QRect bottomBar(0, 0, 1440, 870);
        QTest::newRow("click on the top bar") << topBar << QPoint(700, 25) << QPoint(535, 36);
        QTest::newRow("click on the bottom bar")
            << bottomBar << QPoint(700, 885) << QPoint(535, 316);
        QTest::newRow("a click off the bars") << bottomBar << QPoint(700, 15) << QPoint(1102, 316);
    }

    void placement()
    {
        QFETCH(QRect, usable);
        QFETCH(QPoint, click);
        QTEST(SwayPlacement::panelOrigin({QRect(0, 0, 1440, 900), usable}, click, QSize(330, 548)),
              "expected");
    }

    void focusedOutputArea()
    {
        const QByteArray workspaces = R"([
            {"focused": true, "output": "B",
             "rect": {"x": 800, "y": 0, "width": 1920, "height": 1050}},
            {"output": "A", "rect": {"x": 0, "y": 30, "width": 800, "height": 570}}])";
        const QByteArray outputs = R"([
            {"name": "A", "rect": {"x": 0, "y": 0, "width": 800, "height": 600}},
            {"name": "B", "rect": {"x": 800, "y": 0, "width": 1920, "height": 1080}}])";
        const auto area = SwayPlacement::focusedArea(workspaces, outputs);
        QVERIFY(area);
        QCOMPARE(area->output, QRect(800, 0, 1920, 1080));
        QCOMPARE(area->usable, QRect(800, 0, 1920, 1050));
    }

    void framing()
    {
        QByteArray stream = I3IpcClient::frame(2, QByteArrayLiteral("[\"window\"]"))
                            + I3IpcClient::frame(7, {}) + I3IpcClient::frame(1, {}).first(13);
        QCOMPARE(I3IpcClient::takeMessage(stream)->payload, QByteArrayLiteral("[\"window\"]"));
        QCOMPARE(I3IpcClient::takeMessage(stream)->type, 7U);
        QVERIFY(!I3IpcClient::takeMessage(stream));
        QVERIFY(!I3IpcClient::isBroken(stream));
        QVERIFY(I3IpcClient::isBroken(QByteArrayLiteral("i3-ip!")));
    }
};

QTEST_APPLESS_MAIN(TestSwayPlacement)
#include "tst_swayplacement.moc"
