#include "menubar/I3IpcClient.h"
#include "menubar/SwayPlacement.h"

#include <QTest>

using namespace Qt::StringLiterals;

// Sway's answers as the placement reads them, and the framing of sway's IPC, without sway.
class TestSwayPlacement : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void placement_data()
    {
        QTest::addColumn<QRect>("output");
        QTest::addColumn<QRect>("usable");
        QTest::addColumn<QPoint>("click"); // (-1, -1) for none
        QTest::addColumn<QPoint>("expected");

        const QRect output(0, 0, 1440, 900);
        const QRect topBar(0, 30, 1440, 870);
        const QRect bottomBar(0, 0, 1440, 870);
        const QPoint none(-1, -1);
        QTest::newRow("top bar, no click") << output << topBar << none << QPoint(1102, 36);
        QTest::newRow("bottom bar, no click") << output << bottomBar << none << QPoint(1102, 316);
        QTest::newRow("click on the top bar")
            << output << topBar << QPoint(700, 25) << QPoint(535, 36);
        QTest::newRow("click on the bottom bar")
            << output << bottomBar << QPoint(700, 885) << QPoint(535, 316);
        QTest::newRow("a click off every bar is no place of the item")
            << output << bottomBar << QPoint(700, 15) << QPoint(1102, 316);
        QTest::newRow("second output") << QRect(1440, 0, 1920, 1080) << QRect(1440, 30, 1920, 1050)
                                       << none << QPoint(3022, 36);
    }

    void placement()
    {
        QFETCH(QRect, output);
        QFETCH(QRect, usable);
        QFETCH(QPoint, click);
        QFETCH(QPoint, expected);
        const std::optional<QPoint> clicked =
            click == QPoint(-1, -1) ? std::nullopt : std::optional(click);
        QCOMPARE(SwayPlacement::panelOrigin({output, usable}, clicked, QSize(330, 548)), expected);
    }

    void focusedWorkspaceArea()
    {
        const QByteArray workspaces = R"([
            {"name": "1", "focused": false, "output": "A",
             "rect": {"x": 0, "y": 30, "width": 1440, "height": 870}},
            {"name": "2", "focused": true, "output": "B",
             "rect": {"x": 1440, "y": 0, "width": 1920, "height": 1050}}])";
        const QByteArray outputs = R"([
            {"name": "A", "rect": {"x": 0, "y": 0, "width": 1440, "height": 900}},
            {"name": "B", "rect": {"x": 1440, "y": 0, "width": 1920, "height": 1080}}])";
        const std::optional<SwayPlacement::Area> area =
            SwayPlacement::focusedArea(workspaces, outputs);
        QVERIFY(area);
        QCOMPARE(area->output, QRect(1440, 0, 1920, 1080));
        QCOMPARE(area->usable, QRect(1440, 0, 1920, 1050));
        QVERIFY(!SwayPlacement::focusedArea(workspaces, "[]"_ba));
    }

    void framing()
    {
        QByteArray stream = I3IpcClient::frame(2, "[\"window\"]") + I3IpcClient::frame(7, {});
        stream.append(I3IpcClient::frame(1, "[]").first(15));
        std::optional<I3IpcClient::Message> first = I3IpcClient::takeMessage(stream);
        QVERIFY(first);
        QCOMPARE(first->type, 2U);
        QCOMPARE(first->payload, "[\"window\"]"_ba);
        QCOMPARE(I3IpcClient::takeMessage(stream)->type, 7U);
        QVERIFY(!I3IpcClient::takeMessage(stream));
        QCOMPARE(stream.size(), 15);
        QVERIFY(!I3IpcClient::isBroken(stream));
        QVERIFY(I3IpcClient::isBroken("i3-ip!"_ba));
    }
};

QTEST_APPLESS_MAIN(TestSwayPlacement)
#include "tst_swayplacement.moc"
