#include "PreferencesPageFixture.h"
#include "preferences/CalendarAccessPage.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QJsonArray>
#include <QListWidget>
#include <QTest>

using namespace Qt::StringLiterals;

class TestCalendarAccessPage : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PreferencesPageFixture> services;
    std::unique_ptr<CalendarAccessPage> page;

    void makePage(const QJsonObject &settings = {})
    {
        page.reset();
        services = std::make_unique<PreferencesPageFixture>(settings);
        page = std::make_unique<CalendarAccessPage>(*services->settings);
    }

    [[nodiscard]] QStringList listed() const
    {
        QStringList texts;
        for (int row = 0; row < page->folderList()->count(); ++row)
            texts.append(page->folderList()->item(row)->text());
        return texts;
    }

private Q_SLOTS:
    void cleanup()
    {
        page.reset();
        services.reset();
    }

    void switchesShowTheStoredConsent_data()
    {
        QTest::addColumn<QJsonObject>("settings");
        QTest::addColumn<bool>("events");
        QTest::addColumn<bool>("reminders");

        QTest::newRow("events granted")
            << QJsonObject{{u"calendar.access.events"_s, u"granted"_s}} << true << false;
        QTest::newRow("reminders granted")
            << QJsonObject{{u"calendar.access.reminders"_s, u"granted"_s}} << false << true;
    }

    void switchesShowTheStoredConsent()
    {
        QFETCH(QJsonObject, settings);
        QFETCH(bool, events);
        QFETCH(bool, reminders);
        makePage(settings);
        QCOMPARE(page->eventsSwitch()->isChecked(), events);
        QCOMPARE(page->remindersSwitch()->isChecked(), reminders);
    }

    void switchesChangeTheAccessAtOnce()
    {
        makePage({{u"calendar.access.events"_s, u"denied"_s},
                  {u"calendar.access.reminders"_s, u"denied"_s}});
        QVERIFY(!services->eventStore->hasCalendarAccess());

        page->eventsSwitch()->click();
        QCOMPARE(services->settingsFile().value(u"calendar.access.events"_s), u"granted"_s);
        QVERIFY(services->eventStore->hasCalendarAccess());
        QTRY_COMPARE(services->eventStore->authorizationStatus(),
                     CalendarAuthorizationStatus::authorized);

        page->remindersSwitch()->click();
        QVERIFY(services->eventStore->hasFullCalendarAndReminderAccess());

        page->eventsSwitch()->click();
        QCOMPARE(services->settingsFile().value(u"calendar.access.events"_s), u"denied"_s);
        QTRY_COMPARE(services->eventStore->authorizationStatus(),
                     CalendarAuthorizationStatus::denied);
    }

    void addAndRemoveFolders()
    {
        makePage({{u"calendar.access.events"_s, u"granted"_s}});
        const QString folder = services->dir.filePath(u"mine"_s);
        const QString file = services->dir.filePath(u"team.ics"_s);
        QString answer;
        page->setPathChooser([&](QWidget *, bool) { return answer; });

        answer = folder;
        page->addFolderButton()->click();
        answer = file;
        page->addFileButton()->click();
        // The same path twice, and a cancelled dialog, add nothing.
        answer = folder + u"/"_s;
        page->addFolderButton()->click();
        answer.clear();
        page->addFileButton()->click();

        QCOMPARE(listed(), QStringList({folder, file}));
        QCOMPARE(services->settingsFile().value(u"calendar.folders"_s),
                 QJsonArray::fromStringList({folder, file}));

        QVERIFY(!page->removeButton()->isEnabled());
        page->folderList()->item(0)->setSelected(true);
        QVERIFY(page->removeButton()->isEnabled());
        page->removeButton()->click();
        QCOMPARE(listed(), QStringList({file}));
        QCOMPARE(services->settingsFile().value(u"calendar.folders"_s),
                 QJsonArray::fromStringList({file}));
    }

    void addedFolderReachesTheCalendarList()
    {
        makePage({{u"calendar.access.events"_s, u"granted"_s}});
        const QString folder = services->dir.filePath(u"mine/home/work"_s);
        QVERIFY(writeFile(folder + u"/displayname"_s, "Work"));
        page->setPathChooser([&](QWidget *, bool) { return services->dir.filePath(u"mine"_s); });

        page->addFolderButton()->click();
        QTRY_COMPARE(services->eventStore->availableCalendars().size(), 1);
        QCOMPARE(services->eventStore->availableCalendars().first().title, u"Work"_s);
        QCOMPARE(services->eventStore->availableCalendars().first().sourceTitle, u"home"_s);
    }

    void followsChangesMadeElsewhere()
    {
        makePage();
        services->settings->setString(u"calendar.access.reminders"_s, u"granted"_s);
        services->settings->setStringList(u"calendar.folders"_s, {u"/srv/calendars"_s});
        QVERIFY(page->remindersSwitch()->isChecked());
        QCOMPARE(listed(), QStringList({u"/srv/calendars"_s}));
    }

    void defaultLocationsNameTheDataFolder()
    {
        makePage();
        const QString data = services->dir.filePath(u"data"_s);
        QVERIFY(CalendarAccessPage::defaultLocations().contains(data + u"/calendars"_s));
    }

    void eventStoreOpensThePage()
    {
        makePage();
        services->eventStore->setPrivacySettingsHandler(
            [this](CalendarEntityType first) { page->showPage(first); });
        services->eventStore->openCalendarPrivacySettings();
        QVERIFY(page->isVisible());
    }
};

QTEST_MAIN(TestCalendarAccessPage)
#include "tst_calendaraccesspage.moc"
