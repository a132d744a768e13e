#include "PreferencesPageFixture.h"
#include "TimeZoneScope.h"
#include "events/PreviewCalendarFactory.h"
#include "preferences/HotKeyRecorderField.h"
#include "preferences/PreferencesView.h"
#include "shared/PanelLabel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QJsonArray>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// An instant at which every part of the menu bar text shows: 15:04:05 in New York.
QDateTime sampleInstant()
{
    return QDateTime(QDate(2026, 3, 9), QTime(19, 4, 5), Qt::UTC);
}

void writeCalendar(const QString &folder, const QByteArray &name)
{
    QDir().mkpath(folder);
    QFile displayName(folder + u"/displayname"_s);
    QVERIFY(displayName.open(QIODevice::WriteOnly));
    displayName.write(name);
    QFile item(folder + u"/a.ics"_s);
    QVERIFY(item.open(QIODevice::WriteOnly));
    item.write("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//tessel//test//EN\r\n"
               "BEGIN:VEVENT\r\nUID:a\r\nDTSTAMP:20260101T000000Z\r\n"
               "DTSTART:20260310T090000Z\r\nDTEND:20260310T100000Z\r\nSUMMARY:Standup\r\n"
               "END:VEVENT\r\nEND:VCALENDAR\r\n");
}

} // namespace

class TestPreferencesView : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PreferencesPageFixture> services;
    std::unique_ptr<PreferencesView> view;

    void makePage(const QJsonObject &settings = {},
                  KeyGrabber::Mechanism keyGrabMechanism = KeyGrabber::Mechanism::keyGrab)
    {
        view.reset();
        services = std::make_unique<PreferencesPageFixture>(settings, keyGrabMechanism);
        view = std::make_unique<PreferencesView>(*services->preferences, *services->eventStore,
                                                 *services->launchAtLogin, services->hotKeys.get(),
                                                 services->desktop.get());
        view->resize(PreferencesView::windowWidth, PreferencesView::windowHeight);
        view->show();
    }

    // The shown buttons of the current page with this text.
    [[nodiscard]] QList<QAbstractButton *> buttons(const QString &text) const
    {
        QList<QAbstractButton *> found;
        for (QAbstractButton *button : view->findChildren<QAbstractButton *>()) {
            if (button->text() == text && button->isVisibleTo(view.get()))
                found.append(button);
        }
        return found;
    }

    [[nodiscard]] QAbstractButton *button(const QString &text) const
    {
        const QList<QAbstractButton *> found = buttons(text);
        return found.size() == 1 ? found.first() : nullptr;
    }

    [[nodiscard]] QList<QAbstractButton *> calendarBoxes() const
    {
        QList<QAbstractButton *> found;
        for (QAbstractButton *button : view->findChildren<QAbstractButton *>()) {
            if (button->property("calendarIdentifier").isValid() && button->isVisibleTo(view.get()))
                found.append(button);
        }
        return found;
    }

    // Every text of the page a person would read.
    [[nodiscard]] QStringList visibleTexts() const
    {
        QStringList texts;
        for (QWidget *widget : view->findChildren<QWidget *>()) {
            if (!widget->isVisibleTo(view.get()))
                continue;
            if (auto *button = qobject_cast<QAbstractButton *>(widget))
                texts.append(button->text());
            else if (auto *label = qobject_cast<PanelLabel *>(widget))
                texts.append(label->text());
            if (!widget->accessibleName().isEmpty())
                texts.append(widget->accessibleName());
        }
        return texts;
    }

    [[nodiscard]] QString menuBarText() const
    {
        return makeTitle(services->preferences->menuBarStyle(), sampleInstant(),
                         *services->preferences);
    }

private Q_SLOTS:
    void cleanup()
    {
        view.reset();
        services.reset();
    }

    void headerShowsTheNameAndTagline()
    {
        makePage();
        const QStringList texts = visibleTexts();
        QVERIFY(texts.contains(u"栖格日历"_s));
        QVERIFY(texts.contains(u"藏在菜单栏里的轻量日历。"_s));
        for (const QString &row : {u"启动方式:"_s, u"外观模式:"_s, u"快捷键:"_s, u"菜单栏:"_s,
                                   u"日期选项"_s, u"时间选项"_s, u"系统日历与提醒"_s})
            QVERIFY2(texts.contains(row), qPrintable(row));
        QCOMPARE(view->sizeHint(), QSize(330, 540));
    }

    void toggleWritesTheSetting_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("before");
        QTest::addColumn<bool>("changesMenuBarText");

        QTest::newRow("weekday") << u"显示星期"_s << u"preferences.showWeekday"_s << true << true;
        QTest::newRow("date") << u"显示日期"_s << u"preferences.showDate"_s << true << true;
        QTest::newRow("lunar") << u"显示农历"_s << u"preferences.showLunarCalendar"_s << false
                               << false;
        QTest::newRow("festivals")
            << u"显示节日与节气"_s << u"preferences.showFestivals"_s << false << false;
        QTest::newRow("event dots")
            << u"显示事件红点"_s << u"preferences.showEventDots"_s << true << false;
        QTest::newRow("seconds") << u"显示秒"_s << u"preferences.showSeconds"_s << false << true;
        QTest::newRow("launch at login")
            << u"开机启动"_s << u"preferences.launchAtLogin"_s << false << false;
    }

    void failedSaveIsShownUntilAWriteSucceeds()
    {
        makePage();
        const QString path = services->settings->filePath();
        // A folder where the file should be: no write can replace it.
        QVERIFY(QDir().mkpath(path));
        auto *line = view->findChild<PanelLabel *>(u"settingsSaveError"_s);
        QVERIFY(line);
        QVERIFY(!line->isVisibleTo(view.get()));

        button(u"显示农历"_s)->click();
        QVERIFY(line->isVisibleTo(view.get()));
        QVERIFY2(line->text().startsWith(u"设置未能保存："_s), qPrintable(line->text()));
        QVERIFY(button(u"显示农历"_s)->isChecked());

        QVERIFY(QDir(path).removeRecursively());
        button(u"显示星期"_s)->click();
        QVERIFY(!line->isVisibleTo(view.get()));
        QCOMPARE(services->settingsFile().value(u"preferences.showLunarCalendar"_s),
                 QJsonValue(true));
    }

    void toggleWritesTheSetting()
    {
        QFETCH(QString, label);
        QFETCH(QString, key);
        QFETCH(bool, before);
        QFETCH(bool, changesMenuBarText);
        TimeZoneScope zone("America/New_York");
        makePage();

        QAbstractButton *box = button(label);
        QVERIFY(box);
        QCOMPARE(box->isChecked(), before);
        const QString textBefore = menuBarText();

        box->click();
        QCOMPARE(box->isChecked(), !before);
        QCOMPARE(services->settingsFile().value(key), QJsonValue(!before));
        QCOMPARE(menuBarText() != textBefore, changesMenuBarText);

        box->click();
        QCOMPARE(services->settingsFile().value(key), QJsonValue(before));
        QCOMPARE(menuBarText(), textBefore);
    }

    void launchAtLoginWritesTheAutostartEntry()
    {
        makePage();
        button(u"开机启动"_s)->click();
        QVERIFY(services->launchAtLogin->isEnabled());
        QVERIFY(QFileInfo::exists(LaunchAtLoginService::userEntryPath()));
    }

    void refusedLaunchAtLoginSpringsBack()
    {
        makePage();
        QDir().mkpath(services->dir.filePath(u"config"_s));
        QFile blocker(services->dir.filePath(u"config/autostart"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        QAbstractButton *box = button(u"开机启动"_s);
        box->click();
        QVERIFY(!box->isChecked());
        QCOMPARE(services->settingsFile().value(u"preferences.launchAtLogin"_s), QJsonValue(false));
    }

    void amPmShowsOnlyForTwelveHour()
    {
        TimeZoneScope zone("America/New_York");
        makePage();
        QVERIFY(!button(u"上午/下午"_s));
        QVERIFY(button(u"24小时"_s)->isChecked());

        button(u"12小时"_s)->click();
        QCOMPARE(services->settingsFile().value(u"preferences.timeFormat"_s), u"twelveHour"_s);
        QVERIFY(button(u"12小时"_s)->isChecked());
        QVERIFY(!button(u"24小时"_s)->isChecked());
        QAbstractButton *amPm = button(u"上午/下午"_s);
        QVERIFY(amPm);
        QVERIFY(!amPm->isChecked());
        const QString withoutMarker = menuBarText();
        amPm->click();
        QCOMPARE(services->settingsFile().value(u"preferences.showAMPM"_s), QJsonValue(true));
        QVERIFY(menuBarText() != withoutMarker);

        button(u"24小时"_s)->click();
        QCOMPARE(services->settingsFile().value(u"preferences.timeFormat"_s), u"twentyFourHour"_s);
        QVERIFY(!button(u"上午/下午"_s));

        button(u"12小时"_s)->click();
        QVERIFY(button(u"上午/下午"_s));
        QVERIFY(button(u"上午/下午"_s)->isChecked());
    }

    void pickersChooseAndClose_data()
    {
        QTest::addColumn<QString>("picker");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");

        QTest::newRow("appearance dark") << u"appearancePicker"_s << u"深色模式"_s
                                         << u"preferences.appearanceMode"_s << u"dark"_s;
        QTest::newRow("appearance light") << u"appearancePicker"_s << u"浅色模式"_s
                                          << u"preferences.appearanceMode"_s << u"light"_s;
        QTest::newRow("menu bar time only")
            << u"menuBarPicker"_s << u"仅时间"_s << u"preferences.menuBarStyle"_s << u"timeOnly"_s;
        QTest::newRow("menu bar date only")
            << u"menuBarPicker"_s << u"仅日期"_s << u"preferences.menuBarStyle"_s << u"dateOnly"_s;
    }

    void pickersChooseAndClose()
    {
        QFETCH(QString, picker);
        QFETCH(QString, row);
        QFETCH(QString, key);
        QFETCH(QString, stored);
        TimeZoneScope zone("America/New_York");
        makePage();
        const bool appearance = picker == u"appearancePicker"_s;
        const auto presented = [&] {
            return appearance ? view->isAppearancePickerPresented()
                              : view->isMenuBarPickerPresented();
        };
        const QString textBefore = menuBarText();

        auto *open = view->content()->findChild<QAbstractButton *>(picker);
        QVERIFY(open);
        open->click();
        QVERIFY(presented());

        // The rows live in the popover, a window of its own.
        QAbstractButton *choice = nullptr;
        for (QAbstractButton *candidate : view->findChildren<QAbstractButton *>()) {
            if (candidate->text() == row && candidate->isVisible())
                choice = candidate;
        }
        QVERIFY(choice);
        choice->click();
        QVERIFY(!presented());
        QCOMPARE(services->settingsFile().value(key), stored);
        if (!appearance)
            QVERIFY(menuBarText() != textBefore);
        QTRY_COMPARE(view->content()->findChild<QAbstractButton *>(picker)->text(), row);
    }

    void rebuildKeepsTheViewState()
    {
        makePage();
        QWidget *before = view->content();
        view->content()->findChild<QAbstractButton *>(u"appearancePicker"_s)->click();
        QVERIFY(view->isAppearancePickerPresented());
        view->content()->findChild<HotKeyRecorderField *>()->setRecording(true);
        QVERIFY(view->isRecordingHotKey());

        services->preferences->setAppearanceMode(AppAppearanceMode::dark);
        QVERIFY(view->content() != before);
        QCOMPARE(view->identityText().section(u'-', 0, 0), u"dark"_s);
        QVERIFY(view->isAppearancePickerPresented());
        QVERIFY(view->isRecordingHotKey());
        QVERIFY(view->content()->findChild<HotKeyRecorderField *>()->isRecording());
    }

    void shortcutRowShowsAndClears()
    {
        makePage();
        auto *field = view->content()->findChild<HotKeyRecorderField *>();
        QVERIFY(field);
        QCOMPARE(field->shortcutText(), u"记录快捷键"_s);
        QAbstractButton *clear = nullptr;
        for (QAbstractButton *candidate : view->findChildren<QAbstractButton *>()) {
            if (candidate->accessibleName() == u"清除快捷键"_s)
                clear = candidate;
        }
        QVERIFY(clear);
        QVERIFY(!clear->isVisibleTo(view.get()));

        services->hotKeys->setShortcut(HotKeyShortcut{40, 256 | 2048, u"⌥⌘K"_s});
        QCOMPARE(field->shortcutText(), u"Alt+Super+K"_s);
        QVERIFY(clear->isVisibleTo(view.get()));
        QVERIFY(services->settingsFile().contains(u"preferences.hotKey"_s));

        clear->click();
        QVERIFY(!services->hotKeys->shortcut());
        QVERIFY(!services->settingsFile().contains(u"preferences.hotKey"_s));
        QCOMPARE(field->shortcutText(), u"记录快捷键"_s);
        QVERIFY(!clear->isVisibleTo(view.get()));
    }

    void shortcutStatusSaysWhoBindsIt_data()
    {
        QTest::addColumn<KeyGrabber::Mechanism>("mechanism");
        QTest::addColumn<QString>("boundAs");
        QTest::addColumn<QStringList>("status");
        QTest::addColumn<QString>("fieldText");

        const QString bound = PreferencesView::shortcutBoundByDesktopText.toString();
        const QString notBound = PreferencesView::shortcutNotBoundByDesktopText.toString();
        QTest::newRow("key grab") << KeyGrabber::Mechanism::keyGrab << QString() << QStringList()
                                  << u"Alt+Super+K"_s;
        QTest::newRow("the desktop's portal, showing what it bound")
            << KeyGrabber::Mechanism::desktopPortal << u"Alt+Meta+C"_s << QStringList{bound}
            << u"Alt+Meta+C"_s;
        QTest::newRow("the desktop's portal, not bound (yet)")
            << KeyGrabber::Mechanism::desktopPortal << QString() << QStringList{notBound}
            << u"Alt+Super+K"_s;
        QTest::newRow("no global shortcut in this session")
            << KeyGrabber::Mechanism::none << QString() << PreferencesView::noGlobalShortcutLines
            << u"Alt+Super+K"_s;
    }

    void shortcutStatusSaysWhoBindsIt()
    {
        QFETCH(KeyGrabber::Mechanism, mechanism);
        QFETCH(QString, boundAs);
        QFETCH(QStringList, status);
        QFETCH(QString, fieldText);
        makePage({}, mechanism);
        services->hotKeys->setShortcut(HotKeyShortcut{40, 256 | 2048, u"⌥⌘K"_s});
        services->keyGrabber->describe(boundAs);

        QCOMPARE(view->content()->findChild<HotKeyRecorderField *>()->shortcutText(), fieldText);
        auto *statusWidget = view->content()->findChild<QWidget *>(u"shortcutStatus"_s);
        QCOMPARE(statusWidget != nullptr, !status.isEmpty());
        if (statusWidget) {
            QStringList shown;
            for (const PanelLabel *line : statusWidget->findChildren<PanelLabel *>()) {
                shown << line->text();
                // Each line fits the card whole.
                QTRY_VERIFY(line->width() >= line->sizeHint().width());
            }
            QCOMPARE(shown, status);
            QVERIFY(statusWidget->isVisibleTo(view.get()));
        }
    }

    void accessControl_data()
    {
        QTest::addColumn<QJsonObject>("settings");
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("listShown");

        QTest::newRow("not asked yet") << QJsonObject() << u"请求权限"_s << false;
        QTest::newRow("events granted, reminders not asked")
            << QJsonObject{{u"calendar.access.events"_s, u"granted"_s}} << u"请求权限"_s << true;
        QTest::newRow("denied for good")
            << QJsonObject{{u"calendar.access.events"_s, u"denied"_s},
                           {u"calendar.access.reminders"_s, u"denied"_s}}
            << u"打开设置"_s << false;
        QTest::newRow("everything granted")
            << QJsonObject{{u"calendar.access.events"_s, u"granted"_s},
                           {u"calendar.access.reminders"_s, u"granted"_s}}
            << u"已授权"_s << true;
    }

    void accessControl()
    {
        QFETCH(QJsonObject, settings);
        QFETCH(QString, control);
        QFETCH(bool, listShown);
        makePage(settings);
        const QStringList texts = visibleTexts();
        QVERIFY2(texts.contains(control), qPrintable(texts.join(u'|')));
        for (const QString &other : {u"请求权限"_s, u"打开设置"_s, u"已授权"_s}) {
            if (other != control)
                QVERIFY2(!texts.contains(other), qPrintable(other));
        }
        // No calendar folder exists here, so a shown list is the empty one.
        QCOMPARE(texts.contains(u"当前没有可读取的系统日历。"_s), listShown);
        QVERIFY(calendarBoxes().isEmpty());
    }

    void deniedAccessOpensTheSettingsPage()
    {
        makePage({{u"calendar.access.events"_s, u"denied"_s},
                  {u"calendar.access.reminders"_s, u"denied"_s}});
        int opened = 0;
        services->eventStore->setPrivacySettingsHandler([&](CalendarEntityType) { ++opened; });
        button(u"打开设置"_s)->click();
        QCOMPARE(opened, 1);
    }

    void refusedRequestOpensTheSettingsPage()
    {
        // Without a prompter every request fails.
        makePage();
        int opened = 0;
        services->eventStore->setPrivacySettingsHandler([&](CalendarEntityType) { ++opened; });
        button(u"请求权限"_s)->click();
        QTRY_COMPARE(opened, 1);
        QVERIFY(!view->isRequestingCalendarAccess());
        QVERIFY(button(u"请求权限"_s));
    }

    void previewCalendarsWhateverTheAccess_data()
    {
        QTest::addColumn<QJsonObject>("settings");
        QTest::newRow("denied") << QJsonObject{{u"calendar.access.events"_s, u"denied"_s},
                                               {u"calendar.access.reminders"_s, u"denied"_s}};
        QTest::newRow("not asked") << QJsonObject();
        QTest::newRow("granted") << QJsonObject{{u"calendar.access.events"_s, u"granted"_s}};
    }

    void previewCalendarsWhateverTheAccess()
    {
        QFETCH(QJsonObject, settings);
        settings.insert(u"preferences.usePreviewData"_s, true);
        makePage(settings);
        QStringList ids;
        for (QAbstractButton *box : calendarBoxes())
            ids.append(box->property("calendarIdentifier").toString());
        QStringList expected;
        for (const CalendarSource &calendar : PreviewCalendarFactory::calendars())
            expected.append(calendar.id);
        QCOMPARE(ids, expected);
        QCOMPARE(expected.size(), 3);
    }

    void uncheckingACalendarExcludesIt()
    {
        makePage({{u"preferences.usePreviewData"_s, true}});
        const QList<QAbstractButton *> boxes = calendarBoxes();
        QCOMPARE(boxes.size(), 3);
        const QString first = boxes.at(0)->property("calendarIdentifier").toString();
        const QString second = boxes.at(1)->property("calendarIdentifier").toString();
        QVERIFY(boxes.at(0)->isChecked());

        boxes.at(1)->click();
        boxes.at(0)->click();
        QStringList both{first, second};
        both.sort();
        QCOMPARE(services->settingsFile().value(u"preferences.excludedCalendarIdentifiers"_s),
                 QJsonArray::fromStringList(both));
        QVERIFY(!boxes.at(0)->isChecked());

        boxes.at(0)->click();
        QCOMPARE(services->settingsFile().value(u"preferences.excludedCalendarIdentifiers"_s),
                 QJsonArray::fromStringList({second}));
        QVERIFY(boxes.at(0)->isChecked());
    }

    void realFolderListsItsCalendars()
    {
        makePage({{u"calendar.access.events"_s, u"granted"_s},
                  {u"calendar.access.reminders"_s, u"granted"_s}});
        QVERIFY(calendarBoxes().isEmpty());
        writeCalendar(services->dir.filePath(u"mine/home/work"_s), "工作");
        services->settings->setStringList(u"calendar.folders"_s,
                                          {services->dir.filePath(u"mine"_s)});
        QTRY_COMPARE(calendarBoxes().size(), 1);
        const QList<QAbstractButton *> boxes = calendarBoxes();
        QCOMPARE(boxes.at(0)->text(), u"工作"_s);
        QVERIFY(visibleTexts().contains(u"已授权"_s));
    }

    void calendarListFollowsTheAccessState()
    {
        makePage({{u"calendar.access.events"_s, u"denied"_s},
                  {u"calendar.access.reminders"_s, u"denied"_s}});
        QVERIFY(button(u"打开设置"_s));
        services->settings->setString(u"calendar.access.events"_s, u"granted"_s);
        services->settings->setString(u"calendar.access.reminders"_s, u"granted"_s);
        services->eventStore->refreshAuthorizationState();
        QVERIFY(!button(u"打开设置"_s));
        QVERIFY(visibleTexts().contains(u"已授权"_s));
        QVERIFY(visibleTexts().contains(u"当前没有可读取的系统日历。"_s));
    }
};

QTEST_MAIN(TestPreferencesView)
#include "tst_preferencesview.moc"
