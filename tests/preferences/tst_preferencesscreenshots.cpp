// Writes pictures of the preferences page for people to compare with the design; the checks here
// only make sure that what is pictured is the state asked for.
#include "PreferencesPageFixture.h"
#include "preferences/PreferencesView.h"

#include <QAbstractButton>
#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QPainter>
#include <QScrollArea>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr qreal scale = 2;

QImage render(QWidget *widget)
{
    QImage image(widget->size() * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    widget->render(&painter);
    return image;
}

} // namespace

class TestPreferencesScreenshots : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(QDir().mkpath(QStringLiteral(TESSEL_SCREENSHOT_DIR))); }

    void screenshot_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("preview");
        QTest::addColumn<int>("calendars");

        QTest::newRow("preferences-preview-light") << u"light"_s << true << 3;
        QTest::newRow("preferences-preview-dark") << u"dark"_s << true << 3;
        QTest::newRow("preferences-folder-light") << u"light"_s << false << 2;
        QTest::newRow("preferences-folder-dark") << u"dark"_s << false << 2;
    }

    void screenshot()
    {
        QFETCH(QString, mode);
        QFETCH(bool, preview);
        QFETCH(int, calendars);
        QJsonObject settings{{u"preferences.appearanceMode"_s, mode},
                             {u"preferences.timeFormat"_s, u"twelveHour"_s},
                             {u"preferences.showLunarCalendar"_s, true},
                             {u"calendar.access.events"_s, u"granted"_s},
                             {u"calendar.access.reminders"_s, u"granted"_s}};
        if (preview)
            settings.insert(u"preferences.usePreviewData"_s, true);
        else
            settings.insert(u"calendar.folders"_s,
                            QJsonArray::fromStringList(
                                {QStringLiteral(TESSEL_TEST_DATA) + u"/panel-calendars"_s}));
        PreferencesPageFixture services(settings);
        services.hotKeys->setShortcut(HotKeyShortcut{40, 256 | 2048, u"⌥⌘K"_s});
        if (!preview) {
            const QString first = services.eventStore->availableCalendars().value(0).id;
            services.preferences->setCalendar(first, false);
        }
        PreferencesView view(*services.preferences, *services.eventStore, *services.launchAtLogin,
                             services.hotKeys.get(), services.desktop.get());
        view.resize(PreferencesView::windowWidth, PreferencesView::windowHeight);
        view.show();
        QCoreApplication::processEvents();

        int boxes = 0;
        for (QAbstractButton *button : view.findChildren<QAbstractButton *>()) {
            if (button->property("calendarIdentifier").isValid() && button->isVisibleTo(&view))
                ++boxes;
        }
        QCOMPARE(boxes, calendars);

        const QString name = QString::fromLatin1(QTest::currentDataTag());
        const QString dir = QStringLiteral(TESSEL_SCREENSHOT_DIR);
        QVERIFY(render(&view).save(dir + u'/' + name + u".png"_s));

        // The whole column of cards, as it reads when scrolled through.
        auto *scroll = view.content()->findChild<QScrollArea *>();
        QVERIFY(scroll);
        QWidget *column = scroll->widget();
        const int fullHeight = column->sizeHint().height() + view.height() - scroll->height();
        view.resize(PreferencesView::windowWidth, fullHeight);
        QCoreApplication::processEvents();
        QVERIFY(render(&view).save(dir + u'/' + name + u"-full.png"_s));
    }
};

QTEST_MAIN(TestPreferencesScreenshots)
#include "tst_preferencesscreenshots.moc"
