#include "holidays/SolarTerms.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <numbers>

using namespace Qt::StringLiterals;

namespace {

// A second computation of the terms, independent of the generator's: Meeus' low-accuracy solar
// coordinates (Astronomical Algorithms, ch. 25, about 0.01°) and the Morrison-Stephenson
// parabola for delta T. Its moments lie within 15 minutes of the table's.
double apparentLongitude(double jde)
{
    const double t = (jde - 2451545.0) / 36525;
    const double radian = std::numbers::pi / 180;
    const double meanLongitude = 280.46646 + 36000.76983 * t + 0.0003032 * t * t;
    const double anomaly = (357.52911 + 35999.05029 * t - 0.0001537 * t * t) * radian;
    const double centre = (1.914602 - 0.004817 * t - 0.000014 * t * t) * std::sin(anomaly)
                          + (0.019993 - 0.000101 * t) * std::sin(2 * anomaly)
                          + 0.000289 * std::sin(3 * anomaly);
    const double node = (125.04 - 1934.136 * t) * radian;
    return std::fmod(meanLongitude + centre - 0.00569 - 0.00478 * std::sin(node), 360.0);
}

// The term's moment as a Julian date in Beijing time (UTC+8).
double beijingMoment(int year, int index)
{
    const double target = std::fmod(285.0 + 15 * index, 360.0);
    double jde = double(QDate(year, 1, 5).toJulianDay()) - 0.5 + 15.22 * index;
    for (int step = 0; step < 30; ++step) {
        const double behind = std::remainder(target - apparentLongitude(jde), 360.0);
        jde += behind / 0.9856;
        if (std::abs(behind) < 1e-9)
            break;
    }
    const double u = (year + (index + 0.5) / 24 - 1820) / 100;
    const double deltaT = -20 + 32 * u * u;
    return jde - deltaT / 86400 + 8.0 / 24;
}

struct NearMidnight
{
    int year;
    int index;
};

// Where the two computations put the moment on either side of midnight in Beijing: the table,
// whose moment lies within 15 minutes after midnight (or 1 minute before), keeps its day.
constexpr NearMidnight nearMidnight[] = {
    {1912, 18}, {1917, 22}, {1923, 3},  {1950, 7}, {1951, 23}, {1978, 21},
    {1979, 1},  {2008, 9},  {2011, 21}, {2014, 4}, {2016, 12}, {2040, 18},
    {2045, 12}, {2047, 4},  {2064, 14}, {2082, 1}, {2084, 10}, {2097, 8},
};

} // namespace

class TestSolarTerms : public QObject
{
    Q_OBJECT

private Q_SLOTS:

    void tableAgreesWithASecondComputation()
    {
        int listed = 0;
        for (int year = SolarTerms::firstYear; year <= SolarTerms::lastYear; ++year) {
            for (int index = 0; index < 24; ++index) {
                const double moment = beijingMoment(year, index);
                const QDate computed = QDate::fromJulianDay(qint64(std::floor(moment + 0.5)));
                const QDate table = SolarTerms::date(year, index);
                const bool isListed =
                    std::ranges::any_of(nearMidnight, [&](const NearMidnight &day) {
                        return day.year == year && day.index == index;
                    });
                const QString where = table.toString(Qt::ISODate) + u' '
                                      + SolarTerms::names[size_t(index)].toString();
                if (!isListed) {
                    QVERIFY2(computed == table, qPrintable(where));
                    continue;
                }
                ++listed;
                const double minutesFromMidnight =
                    std::abs(std::remainder(moment + 0.5, 1.0)) * 24 * 60;
                QVERIFY2(computed != table, qPrintable(where + u" is listed but agrees"_s));
                QVERIFY2(std::abs(computed.daysTo(table)) == 1 && minutesFromMidnight < 15,
                         qPrintable(where));
            }
        }
        QCOMPARE(listed, int(std::size(nearMidnight)));
    }

    void lookupEndsWithTheTable()
    {
        QCOMPARE(SolarTerms::name(QDate(1900, 12, 22)), std::nullopt);
        QCOMPARE(SolarTerms::name(QDate(2101, 1, 5)), std::nullopt);
        QCOMPARE(SolarTerms::name(QDate()), std::nullopt);
    }
};

QTEST_APPLESS_MAIN(TestSolarTerms)
#include "tst_solarterms.moc"
