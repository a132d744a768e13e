#include "TestServices.h"
#include "preferences/CalendarAccessPage.h"
#include "shared/SettingKeys.h"

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
    std::unique_ptr<TestServices> services;
    std::unique_ptr<CalendarAccessPage> page;

    void makePage(const QJsonObject &settings = {})
    {
        page.reset();
        services.reset(); // before the next one, whose settings its end would undo
        services = std::make_unique<TestServices>(settings);
        page =
            std::make_unique<CalendarAccessPage>(*services->settings, services->calendarAccess());
    }

    [[nodiscard]] QStringList listed() const
    {
        QStringList texts;
        for (int row = 0; row < page->folderList()->count(); ++row)
            texts.append(page->folderList()->item(row)->text());
        return texts;
    }

private Q_SLOTS:
    void switchesShowAndChangeTheAccessAtOnce()
    {
        makePage({{u"calendar.access.events"_s, u"denied"_s},
                  {u"calendar.access.reminders"_s, u"granted"_s}});
        QVERIFY(!page->eventsSwitch()->isChecked());
        QVERIFY(page->remindersSwitch()->isChecked());

        page->eventsSwitch()->click();
        QCOMPARE(services->settingsFile().value(u"calendar.access.events"_s), u"granted"_s);
        QVERIFY(services->eventStore->hasFullCalendarAndReminderAccess());
        QTRY_COMPARE(services->eventStore->authorizationStatus(),
                     CalendarAuthorizationStatus::authorized);

        page->eventsSwitch()->click();
        QCOMPARE(services->settingsFile().value(u"calendar.access.events"_s), u"denied"_s);

        // Changes made elsewhere show at once.
        services->settings->setValue(SettingKeys::eventsAccess, u"granted"_s);
        services->settings->setValue(SettingKeys::calendarFolders,
                                     QStringList{u"/srv/calendars"_s});
        QVERIFY(page->eventsSwitch()->isChecked());
        QCOMPARE(listed(), QStringList({u"/srv/calendars"_s}));
    }

    void addAndRemoveFolders()
    {
        makePage({{u"calendar.access.events"_s, u"granted"_s}});
        QVERIFY(CalendarAccessPage::defaultLocations().contains(
            services->dir.filePath(u"data/calendars"_s)));
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

        page->folderList()->item(0)->setSelected(true);
        page->removeButton()->click();
        QCOMPARE(listed(), QStringList({file}));
        QCOMPARE(services->settingsFile().value(u"calendar.folders"_s),
                 QJsonArray::fromStringList({file}));
    }
};

QTEST_MAIN(TestCalendarAccessPage)
#include "tst_calendaraccesspage.moc"
