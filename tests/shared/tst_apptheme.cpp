#include "shared/AppTheme.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// What the fake desktop answers, and how often it was asked.
bool desktopDark = false;
int desktopReads = 0;

struct Expected
{
    QRgb rgb;
    qreal opacity = 1.0;
};

void verifyColor(const QColor &actual, Expected expected)
{
    QCOMPARE(actual, actual.toRgb());
    QCOMPARE(actual.name(QColor::HexRgb).toUpper(),
             u"#%1"_s.arg(expected.rgb, 6, 16, QChar(u'0')).toUpper());
    // QColor keeps alpha in 16 bits.
    QVERIFY2(qAbs(actual.alphaF() - expected.opacity) < 1.0 / 65535,
             qPrintable(u"alpha %1, expected %2"_s.arg(actual.alphaF()).arg(expected.opacity)));
}

} // namespace

class TestAppTheme : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void systemAppearanceIsAskedOnFirstReadOnly();

    void isDark_data();
    void isDark();

    void colorsFollowTheEffectiveAppearance();
    void color_data();
    void color();
};

void TestAppTheme::initTestCase()
{
    AppTheme::setSystemAppearanceSource([] {
        ++desktopReads;
        return desktopDark;
    });
}

void TestAppTheme::init()
{
    AppTheme::setAppearanceMode(AppAppearanceMode::system);
    desktopDark = false;
}

// Runs first: nothing has read the theme's state yet.
void TestAppTheme::systemAppearanceIsAskedOnFirstReadOnly()
{
    desktopDark = true;
    QCOMPARE(desktopReads, 0);
    QCOMPARE(AppTheme::systemPrefersDarkAppearance(), true);
    QCOMPARE(desktopReads, 1);

    desktopDark = false;
    QCOMPARE(AppTheme::systemPrefersDarkAppearance(), true);
    QCOMPARE(AppTheme::isDark(), true);
    QCOMPARE(desktopReads, 1);

    AppTheme::refreshSystemAppearance();
    QCOMPARE(desktopReads, 2);
    QCOMPARE(AppTheme::systemPrefersDarkAppearance(), false);
}

void TestAppTheme::isDark_data()
{
    QTest::addColumn<AppAppearanceMode>("mode");
    QTest::addColumn<bool>("systemDark");
    QTest::addColumn<bool>("expected");

    QTest::newRow("system, desktop light") << AppAppearanceMode::system << false << false;
    QTest::newRow("system, desktop dark") << AppAppearanceMode::system << true << true;
    QTest::newRow("dark, desktop light") << AppAppearanceMode::dark << false << true;
    QTest::newRow("dark, desktop dark") << AppAppearanceMode::dark << true << true;
    QTest::newRow("light, desktop light") << AppAppearanceMode::light << false << false;
    QTest::newRow("light, desktop dark") << AppAppearanceMode::light << true << false;
}

void TestAppTheme::isDark()
{
    QFETCH(AppAppearanceMode, mode);
    QFETCH(bool, systemDark);
    QFETCH(bool, expected);

    AppTheme::setSystemPrefersDarkAppearance(systemDark);
    AppTheme::setAppearanceMode(mode);
    QCOMPARE(AppTheme::appearanceMode(), mode);
    QCOMPARE(AppTheme::isDark(), expected);
}

void TestAppTheme::colorsFollowTheEffectiveAppearance()
{
    AppTheme::refreshSystemAppearance(ColorScheme::light);
    verifyColor(AppTheme::panelBackground(), {0xF3F0EA});
    verifyColor(AppTheme::cellBackground(), {0xFFFFFF, 0.44});
    AppTheme::refreshSystemAppearance(ColorScheme::dark);
    QCOMPARE(AppTheme::systemPrefersDarkAppearance(), true);
    verifyColor(AppTheme::panelBackground(), {0x1F1D1B});
    verifyColor(AppTheme::cellBackground(), {0xFFFFFF, 0.08});

    // A forced mode wins over the desktop.
    AppTheme::setAppearanceMode(AppAppearanceMode::light);
    verifyColor(AppTheme::panelBackground(), {0xF3F0EA});
}

void TestAppTheme::color_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QRgb>("rgb");

    const auto valid = [](const char *name, const QString &text, QRgb rgb) {
        QTest::newRow(name) << text << true << rgb;
    };
    const auto none = [](const char *name, const QString &text) {
        QTest::newRow(name) << text << false << QRgb(0);
    };

    valid("hash and upper case", u"#C05621"_s, 0xC05621);
    valid("hash and lower case", u"#c05621"_s, 0xC05621);
    valid("bare digits", u"C05621"_s, 0xC05621);
    valid("surrounding spaces", u" #C05621 "_s, 0xC05621);
    valid("trailing full stop", u"C05621."_s, 0xC05621);
    valid("several marks at both ends", u"##(C05621);"_s, 0xC05621);
    valid("full-width number sign trimmed", u"＃C05621"_s, 0xC05621);
    valid("no-break spaces trimmed", u"\u00A0C05621\u3000"_s, 0xC05621);
    valid("emoji outside the BMP trimmed", u"C05621🙂"_s, 0xC05621);
    valid("lone surrogate trimmed", QString(u"C05621"_s + QChar(0xD800)), 0xC05621);

    none("empty", QString());
    none("three digits", u"#FFF"_s);
    none("seven digits", u"#C056210"_s);
    none("eight digits with alpha", u"#C05621FF"_s);
    none("letter beyond F", u"#C0562G"_s);
    none("0x prefix keeps its two characters", u"0xC05621"_s);
    none("inner space", u"#C0 5621"_s);
    none("trailing word", u"#C05621 red"_s);
    none("CJK letter at the start is kept", u"色C05621"_s);
    none("full-width letter is kept and is no digit", u"Ｃ05621"_s);
    none("full-width digit is no hex digit", u"C0562１"_s);
    none("Arabic-Indic digit is kept", u"C0562\u0663"_s);
    none("letter outside the BMP is kept", u"C05621𝐀"_s);
}

void TestAppTheme::color()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QRgb, rgb);

    const std::optional<QColor> parsed = AppTheme::color(text);
    QCOMPARE(parsed.has_value(), valid);
    if (valid)
        verifyColor(*parsed, {rgb});
}

QTEST_GUILESS_MAIN(TestAppTheme)
#include "tst_apptheme.moc"
