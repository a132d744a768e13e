#include "events/EventPhrase.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestEventPhrase : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void read_data();
    void read();
};

void TestEventPhrase::read_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QDate>("date"); // invalid: none understood
    QTest::addColumn<bool>("isAllDay");
    QTest::addColumn<QTime>("start"); // invalid: none understood
    QTest::addColumn<QTime>("end");
    QTest::addColumn<QString>("title");

    const QDate wednesday(2026, 12, 30); // the last Wednesday of a year
    const auto row = [](const char *name) {
        return &QTest::newRow(name);
    };
    *row("tomorrow afternoon") << u"明天下午3点 产品评审"_s << wednesday << QDate(2026, 12, 31)
                               << false << QTime(15, 0) << QTime() << u"产品评审"_s;
    *row("day after tomorrow is in the next year")
        << u"后天 9点半 牙医"_s << wednesday << QDate(2027, 1, 1) << false << QTime(9, 30)
        << QTime() << u"牙医"_s;
    *row("next week across the year's end, a range")
        << u"下周三 14:30-15:30 面试"_s << wednesday << QDate(2027, 1, 6) << false << QTime(14, 30)
        << QTime(15, 30) << u"面试"_s;
    *row("a passed date is next year's")
        << u"12月24日 全天 平安夜"_s << wednesday << QDate(2027, 12, 24) << true << QTime()
        << QTime() << u"平安夜"_s;
    *row("plain weekday: the next one") << u"周一 晨会"_s << wednesday << QDate(2027, 1, 4) << false
                                        << QTime() << QTime() << u"晨会"_s;
    *row("plain weekday: today") << u"星期三 复盘"_s << wednesday << wednesday << false << QTime()
                                 << QTime() << u"复盘"_s;
    *row("this week's day may have passed") << u"这周一 补记"_s << wednesday << QDate(2026, 12, 28)
                                            << false << QTime() << QTime() << u"补记"_s;
    *row("a passed day number is next month's") << u"3号 交房租"_s << wednesday << QDate(2027, 1, 3)
                                                << false << QTime() << QTime() << u"交房租"_s;
    *row("29 February is the next leap year's")
        << u"2月29日 聚餐"_s << wednesday << QDate(2028, 2, 29) << false << QTime() << QTime()
        << u"聚餐"_s;
    *row("a day number February lacks")
        << u"30号 结账"_s << QDate(2027, 1, 31) << QDate(2027, 3, 30) << false << QTime() << QTime()
        << u"结账"_s;
    *row("month turn") << u"明天 上午十点 面谈"_s << QDate(2026, 1, 31) << QDate(2026, 2, 1)
                       << false << QTime(10, 0) << QTime() << u"面谈"_s;
    *row("tonight") << u"今晚8点 聚餐"_s << wednesday << wednesday << false << QTime(20, 0)
                    << QTime() << u"聚餐"_s;
    *row("an end takes the start's part of day")
        << u"下午3点到5点 评审"_s << wednesday << QDate() << false << QTime(15, 0) << QTime(17, 0)
        << u"评审"_s;
    *row("an end past midnight") << u"晚上10点到1点 值班"_s << wednesday << QDate() << false
                                 << QTime(22, 0) << QTime(1, 0) << u"值班"_s;
    *row("an end at midnight") << u"晚上11点到12点 守岁"_s << wednesday << QDate() << false
                               << QTime(23, 0) << QTime(0, 0) << u"守岁"_s;
    *row("a quarter") << u"下午3点一刻 茶歇"_s << wednesday << QDate() << false << QTime(15, 15)
                      << QTime() << u"茶歇"_s;
    *row("midnight in the small hours") << u"凌晨12点半 发布"_s << wednesday << QDate() << false
                                        << QTime(0, 30) << QTime() << u"发布"_s;
    *row("an end on the afternoon's side") << u"11点-1点 午会"_s << wednesday << QDate() << false
                                           << QTime(11, 0) << QTime(13, 0) << u"午会"_s;
    *row("Chinese numerals, a year")
        << u"2027年二月三日 九点十五分 体检"_s << wednesday << QDate(2027, 2, 3) << false
        << QTime(9, 15) << QTime() << u"体检"_s;
    *row("runs into the title") << u"明天见客户"_s << wednesday << QDate(2026, 12, 31) << false
                                << QTime() << QTime() << u"见客户"_s;
    const auto alone = [&](const char *name, const QString &line) {
        *row(name) << line << wednesday << QDate() << false << QTime() << QTime() << line;
    };
    alone("a part of day without a clock", u"下午茶 和小李"_s);
    alone("a numbered building", u"5号楼 开会"_s);
    alone("no such date", u"2月30日 聚餐"_s);
    alone("next week without a day", u"下周 评审"_s);
    alone("no such hour", u"25点 上线"_s);
    alone("no such weekday", u"周八 聚会"_s);
    alone("one-digit minutes", u"12:5 站会"_s);
    alone("a day inside the title", u"和老王明天吃饭"_s);
    alone("no such day number", u"32号 结账"_s);
}

void TestEventPhrase::read()
{
    QFETCH(QString, line);
    QFETCH(QDate, today);
    const EventPhrase phrase = EventPhrase::read(line, today);
    QTEST(phrase.date.value_or(QDate()), "date");
    QTEST(phrase.isAllDay, "isAllDay");
    QTEST(phrase.start.value_or(QTime()), "start");
    QTEST(phrase.end.value_or(QTime()), "end");
    QTEST(phrase.title, "title");
}

QTEST_GUILESS_MAIN(TestEventPhrase)
#include "tst_eventphrase.moc"
