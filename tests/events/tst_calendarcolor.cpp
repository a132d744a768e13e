#include "events/CalendarColor.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestCalendarColor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void hexText_data();
    void hexText();
};

void TestCalendarColor::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("hex"); // empty: no colour

    QTest::newRow("six digits") << u"#1a2b3c"_s << u"#1A2B3C"_s;
    QTest::newRow("Apple's alpha suffix is ignored") << u"#FF2968FF"_s << u"#FF2968"_s;
    QTest::newRow("vdirsyncer without hash") << u"3465a4"_s << u"#3465A4"_s;
    QTest::newRow("three digits") << u"#abc"_s << u"#AABBCC"_s;
    QTest::newRow("surrounding white space") << u"  #000000\n"_s << u"#000000"_s;
    QTest::newRow("CSS name") << u"turquoise"_s << u"#40E0D0"_s;
    QTest::newRow("CSS name in capitals") << u"DarkRed"_s << u"#8B0000"_s;
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("four digits") << u"#abcd"_s << QString();
    QTest::newRow("not hexadecimal") << u"#12345G"_s << QString();
    QTest::newRow("unknown name") << u"notacolour"_s << QString();
    QTest::newRow("transparent has nothing to show") << u"transparent"_s << QString();
    QTest::newRow("hash alone") << u"#"_s << QString();
}

void TestCalendarColor::parse()
{
    QFETCH(QString, text);
    QFETCH(QString, hex);
    const auto color = CalendarColor::parse(text);
    QCOMPARE(color.has_value(), !hex.isEmpty());
    if (color)
        QCOMPARE(CalendarColor::hexText(*color), std::optional(hex));
}

void TestCalendarColor::hexText_data()
{
    QTest::addColumn<QColor>("color");
    QTest::addColumn<QString>("expected");
    QTest::newRow("upper-case digits") << QColor(0xc0, 0x56, 0x21) << u"#C05621"_s;
    QTest::newRow("from HSV") << QColor::fromHsv(0, 255, 255) << u"#FF0000"_s;
    QTest::newRow("halves round away from zero")
        << QColor::fromRgbF(0.5f, 0.0f, 1.0f) << u"#8000FF"_s;
    QTest::newRow("extended range stays six digits")
        << QColor::fromRgbF(1.5f, -0.5f, 0.25f).toExtendedRgb() << u"#FF0040"_s;
    QTest::newRow("invalid") << QColor() << u"#C05621"_s;
}

void TestCalendarColor::hexText()
{
    QFETCH(QColor, color);
    QFETCH(QString, expected);
    QCOMPARE(
        CalendarColor::hexTextOrFallback(color.isValid() ? std::optional(color) : std::nullopt),
        expected);
}

QTEST_GUILESS_MAIN(TestCalendarColor)
#include "tst_calendarcolor.moc"
