#include "look/AppTheme.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestAppTheme : public QObject
{
    Q_OBJECT

private Q_SLOTS:

    void init()
    {
        AppTheme::setAppearanceMode(AppAppearanceMode::system);
        // The desktop is never asked: each case says what it prefers.
        AppTheme::setSystemAppearanceSource([] { return false; });
    }

    void isDark_data()
    {
        QTest::addColumn<AppAppearanceMode>("mode");
        QTest::addColumn<bool>("systemDark");
        QTest::addColumn<bool>("expected");

        QTest::newRow("system, desktop light") << AppAppearanceMode::system << false << false;
        QTest::newRow("system, desktop dark") << AppAppearanceMode::system << true << true;
        QTest::newRow("dark, desktop light") << AppAppearanceMode::dark << false << true;
        QTest::newRow("light, desktop dark") << AppAppearanceMode::light << true << false;
    }

    void isDark()
    {
        QFETCH(AppAppearanceMode, mode);
        QFETCH(bool, systemDark);
        QFETCH(bool, expected);

        AppTheme::setAppearanceMode(AppAppearanceMode::light);
        const QColor light = AppTheme::panelBackground();
        AppTheme::refreshSystemAppearance(systemDark ? ColorScheme::dark : ColorScheme::light);
        AppTheme::setAppearanceMode(mode);
        QCOMPARE(AppTheme::isDark(), expected);
        QCOMPARE(AppTheme::panelBackground() != light, expected);
    }

    void color_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");

        QTest::newRow("hash, lower case") << u"#c05621"_s << true;
        QTest::newRow("marks and spaces at both ends") << u" ##(C05621); "_s << true;
        QTest::newRow("full-width sign, no-break spaces") << u"\u00A0＃C05621\u3000"_s << true;
        QTest::newRow("emoji and lone surrogate trimmed")
            << QString(u"C05621🙂"_s + QChar(0xD800)) << true;
        QTest::newRow("eight digits with alpha") << u"#C05621FF"_s << false;
        QTest::newRow("full-width digit") << u"C0562１"_s << false;
        QTest::newRow("letter outside the BMP") << u"C05621𝐀"_s << false;
    }

    void color()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        const std::optional<QColor> parsed = AppTheme::color(text);
        QCOMPARE(parsed.has_value(), valid);
        if (valid)
            QCOMPARE(parsed->rgba(), qRgb(0xC0, 0x56, 0x21));
    }
};

QTEST_GUILESS_MAIN(TestAppTheme)
#include "tst_apptheme.moc"
