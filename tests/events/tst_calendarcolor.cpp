#include "events/CalendarColor.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestCalendarColor : public QObject
{
    Q_OBJECT

private Q_SLOTS:

    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("hex"); // empty: no colour

        QTest::newRow("six digits") << u"#1a2b3c"_s << u"#1A2B3C"_s;
        QTest::newRow("Apple's alpha suffix is ignored") << u"#FF2968FF"_s << u"#FF2968"_s;
        QTest::newRow("three digits") << u"#abc"_s << u"#AABBCC"_s;
        QTest::newRow("CSS name") << u"turquoise"_s << u"#40E0D0"_s;
        QTest::newRow("not hexadecimal") << u"#12345G"_s << QString();
        QTest::newRow("unknown name") << u"notacolour"_s << QString();
        QTest::newRow("transparent has nothing to show") << u"transparent"_s << QString();
    }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, hex);
        const auto color = CalendarColor::parse(text);
        QCOMPARE(color.has_value(), !hex.isEmpty());
        if (color)
            QCOMPARE(CalendarColor::hexText(*color), std::optional(hex));
    }
};

QTEST_GUILESS_MAIN(TestCalendarColor)
#include "tst_calendarcolor.moc"
