#include "shared/AppTheme.h"

#include <QTest>

using namespace Qt::StringLiterals;

using RoleGetter = QColor (*)();
Q_DECLARE_METATYPE(RoleGetter)

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

    void darkModeUsesDarkColumnWhileSystemIsLight_data() { roleTable(); }
    void darkModeUsesDarkColumnWhileSystemIsLight();
    void lightModeUsesLightColumnWhileSystemIsDark_data() { roleTable(); }
    void lightModeUsesLightColumnWhileSystemIsDark();
    void systemModeFlipsWithEffectiveAppearance_data() { roleTable(); }
    void systemModeFlipsWithEffectiveAppearance();
    void systemModeFollowsDesktopOnRefresh_data() { roleTable(); }
    void systemModeFollowsDesktopOnRefresh();

    void surfaceStrokeEqualsGlassStroke_data();
    void surfaceStrokeEqualsGlassStroke();

    void color_data();
    void color();
    void colorIgnoresCase_data();
    void colorIgnoresCase();

private:
    static void roleTable();
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

void TestAppTheme::roleTable()
{
    QTest::addColumn<RoleGetter>("role");
    QTest::addColumn<QRgb>("lightRgb");
    QTest::addColumn<qreal>("lightOpacity");
    QTest::addColumn<QRgb>("darkRgb");
    QTest::addColumn<qreal>("darkOpacity");

    constexpr QRgb white = 0xFFFFFF;
    constexpr QRgb black = 0x000000;
    const auto row = [](const char *name, RoleGetter role, Expected light, Expected dark) {
        QTest::newRow(name) << role << light.rgb << light.opacity << dark.rgb << dark.opacity;
    };
    row("panelBackground", &AppTheme::panelBackground, {0xF3F0EA}, {0x1F1D1B});
    row("cellBackground", &AppTheme::cellBackground, {white, 0.44}, {white, 0.08});
    row("todayBackground", &AppTheme::todayBackground, {0xE8D9C8}, {0x4A332B});
    row("primaryText", &AppTheme::primaryText, {0x252421}, {0xF1EDE7});
    row("secondaryText", &AppTheme::secondaryText, {0x686D70}, {0xA7A29C});
    row("tertiaryText lighter grey on light", &AppTheme::tertiaryText, {0xA9AFB4}, {0x74706A});
    row("glassWarmTop", &AppTheme::glassWarmTop, {0xFFF9F1}, {0x2A2622});
    row("glassWarmBottom", &AppTheme::glassWarmBottom, {0xEEF3F2}, {0x181716});
    row("glassStroke", &AppTheme::glassStroke, {white, 0.72}, {white, 0.1});
    row("surfaceFill", &AppTheme::surfaceFill, {white, 0.4}, {white, 0.08});
    row("surfaceFillStrong", &AppTheme::surfaceFillStrong, {white, 0.64}, {white, 0.14});
    row("surfaceFillMuted", &AppTheme::surfaceFillMuted, {white, 0.26}, {white, 0.05});
    row("surfaceShadow", &AppTheme::surfaceShadow, {black, 0.035}, {black, 0.22});
    row("surfaceStroke", &AppTheme::surfaceStroke, {white, 0.72}, {white, 0.1});
    row("onAccentText", &AppTheme::onAccentText, {white}, {white});
    row("onAccentTextMuted", &AppTheme::onAccentTextMuted, {white, 0.9}, {white, 0.9});
    row("onAccentStroke", &AppTheme::onAccentStroke, {white, 0.26}, {white, 0.26});
    row("accent", &AppTheme::accent, {0xC1462D}, {0xC1462D});
    row("accentSoft", &AppTheme::accentSoft, {0xDFA28F}, {0x8D5A4C});
}

void TestAppTheme::darkModeUsesDarkColumnWhileSystemIsLight()
{
    QFETCH(RoleGetter, role);
    QFETCH(QRgb, darkRgb);
    QFETCH(qreal, darkOpacity);

    AppTheme::setSystemPrefersDarkAppearance(false);
    AppTheme::setAppearanceMode(AppAppearanceMode::dark);
    verifyColor(role(), {darkRgb, darkOpacity});
}

void TestAppTheme::lightModeUsesLightColumnWhileSystemIsDark()
{
    QFETCH(RoleGetter, role);
    QFETCH(QRgb, lightRgb);
    QFETCH(qreal, lightOpacity);

    AppTheme::setSystemPrefersDarkAppearance(true);
    AppTheme::setAppearanceMode(AppAppearanceMode::light);
    verifyColor(role(), {lightRgb, lightOpacity});
}

void TestAppTheme::systemModeFlipsWithEffectiveAppearance()
{
    QFETCH(RoleGetter, role);
    QFETCH(QRgb, lightRgb);
    QFETCH(qreal, lightOpacity);
    QFETCH(QRgb, darkRgb);
    QFETCH(qreal, darkOpacity);

    AppTheme::refreshSystemAppearance(ColorScheme::light);
    QCOMPARE(AppTheme::systemPrefersDarkAppearance(), false);
    verifyColor(role(), {lightRgb, lightOpacity});

    AppTheme::refreshSystemAppearance(ColorScheme::dark);
    QCOMPARE(AppTheme::systemPrefersDarkAppearance(), true);
    verifyColor(role(), {darkRgb, darkOpacity});

    AppTheme::refreshSystemAppearance(ColorScheme::light);
    verifyColor(role(), {lightRgb, lightOpacity});
}

void TestAppTheme::systemModeFollowsDesktopOnRefresh()
{
    QFETCH(RoleGetter, role);
    QFETCH(QRgb, lightRgb);
    QFETCH(qreal, lightOpacity);
    QFETCH(QRgb, darkRgb);
    QFETCH(qreal, darkOpacity);

    AppTheme::setSystemPrefersDarkAppearance(false);
    desktopDark = true;
    // Nothing is cached: the stored answer decides until the desktop is asked again.
    verifyColor(role(), {lightRgb, lightOpacity});
    AppTheme::refreshSystemAppearance();
    verifyColor(role(), {darkRgb, darkOpacity});

    desktopDark = false;
    AppTheme::refreshSystemAppearance();
    verifyColor(role(), {lightRgb, lightOpacity});
}

void TestAppTheme::surfaceStrokeEqualsGlassStroke_data()
{
    QTest::addColumn<AppAppearanceMode>("mode");
    QTest::addColumn<bool>("systemDark");

    QTest::newRow("system light") << AppAppearanceMode::system << false;
    QTest::newRow("system dark") << AppAppearanceMode::system << true;
    QTest::newRow("dark") << AppAppearanceMode::dark << false;
    QTest::newRow("light") << AppAppearanceMode::light << true;
}

void TestAppTheme::surfaceStrokeEqualsGlassStroke()
{
    QFETCH(AppAppearanceMode, mode);
    QFETCH(bool, systemDark);

    AppTheme::setSystemPrefersDarkAppearance(systemDark);
    AppTheme::setAppearanceMode(mode);
    QCOMPARE(AppTheme::surfaceStroke(), AppTheme::glassStroke());
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
    valid("mixed case", u"#aBcDeF"_s, 0xABCDEF);
    valid("bare digits", u"C05621"_s, 0xC05621);
    valid("surrounding spaces", u" #C05621 "_s, 0xC05621);
    valid("tabs and newline", u"\t#C05621\n"_s, 0xC05621);
    valid("trailing full stop", u"C05621."_s, 0xC05621);
    valid("several marks at both ends", u"##(C05621);"_s, 0xC05621);
    valid("sign trimmed like any mark", u"+C05621"_s, 0xC05621);
    valid("black", u"#000000"_s, 0x000000);
    valid("white", u"#ffffff"_s, 0xFFFFFF);
    valid("all digits", u"123456"_s, 0x123456);
    valid("full-width number sign trimmed", u"＃C05621"_s, 0xC05621);
    valid("ideographic full stop trimmed", u"C05621。"_s, 0xC05621);
    valid("guillemets trimmed", u"«C05621»"_s, 0xC05621);
    valid("no-break spaces trimmed", u"\u00A0C05621\u3000"_s, 0xC05621);
    valid("emoji outside the BMP trimmed", u"C05621🙂"_s, 0xC05621);
    valid("lone surrogate trimmed", QString(u"C05621"_s + QChar(0xD800)), 0xC05621);

    none("empty", QString());
    none("hash only", u"#"_s);
    none("spaces only", u"   "_s);
    none("three digits", u"#FFF"_s);
    none("five digits", u"#C0562"_s);
    none("seven digits", u"#C056210"_s);
    none("eight digits with alpha", u"#C05621FF"_s);
    none("letter beyond F", u"#C0562G"_s);
    none("all letters beyond F", u"GGGGGG"_s);
    none("0x prefix keeps its two characters", u"0xC05621"_s);
    none("0x prefix on five digits", u"0xC0562"_s);
    none("inner space", u"#C0 5621"_s);
    none("inner hash", u"C05#621"_s);
    none("trailing word", u"#C05621 red"_s);
    none("CJK letter at the start is kept", u"色C05621"_s);
    none("CJK letter at the end is kept", u"C05621色"_s);
    none("full-width letter is kept and is no digit", u"Ｃ05621"_s);
    none("full-width digit is no hex digit", u"C0562１"_s);
    none("Arabic-Indic digit is kept", u"C0562\u0663"_s);
    none("Greek letter is kept", u"αC05621"_s);
    none("letter outside the BMP is kept", u"C05621𝐀"_s);
    none("six letters outside the BMP", u"𝐀𝐁𝐂𝐃𝐄𝐅"_s);
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

void TestAppTheme::colorIgnoresCase_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("fallback calendar colour") << u"#C05621"_s;
    QTest::newRow("accent") << u"#C1462D"_s;
    QTest::newRow("all hex letters") << u"#ABCDEF"_s;
    QTest::newRow("letters and digits") << u"#FA0B9E"_s;
}

void TestAppTheme::colorIgnoresCase()
{
    QFETCH(QString, text);

    const auto upper = AppTheme::color(text.toUpper());
    const auto lower = AppTheme::color(text.toLower());
    QVERIFY(upper.has_value());
    QVERIFY(lower.has_value());
    QCOMPARE(*lower, *upper);
}

QTEST_GUILESS_MAIN(TestAppTheme)
#include "tst_apptheme.moc"
