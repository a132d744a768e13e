#include "TestServices.h"
#include "look/PanelLabel.h"
#include "preferences/PreferencesView.h"
#include "preferences/ShortcutRecorderField.h"
#include "shared/SettingKeys.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QJsonArray>
#include <QTest>

using namespace Qt::StringLiterals;

class TestPreferencesView : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestServices> services;
    std::unique_ptr<PreferencesView> view;
    const QJsonObject denied{{u"calendar.access.events"_s, u"denied"_s},
                             {u"calendar.access.reminders"_s, u"denied"_s}};

    void makePage(const QJsonObject &settings = {},
                  KeyGrabber::Mechanism keyGrabMechanism = KeyGrabber::Mechanism::keyGrab)
    {
        view.reset();
        services.reset(); // before the next one, whose settings its end would undo
        services = std::make_unique<TestServices>(settings, keyGrabMechanism);
        view = std::make_unique<PreferencesView>(
            *services->preferences, *services->eventStore, services->launchAtLoginService(),
            &services->shortcutService(), services->desktop.get());
        view->show();
    }

    // The shown buttons of the page and its popovers that pass the test.
    [[nodiscard]] QList<QAbstractButton *> buttons(const auto &test) const
    {
        QList<QAbstractButton *> found;
        for (QAbstractButton *candidate : view->findChildren<QAbstractButton *>()) {
            if (candidate->isVisible() && test(candidate))
                found.append(candidate);
        }
        return found;
    }

    [[nodiscard]] QAbstractButton *button(const QString &text) const
    {
        const auto found = buttons([&](QAbstractButton *candidate) {
            return candidate->text() == text || candidate->accessibleName() == text;
        });
        return found.size() == 1 ? found.first() : nullptr;
    }

    [[nodiscard]] QList<QAbstractButton *> calendarBoxes() const
    {
        return buttons(
            [](QAbstractButton *box) { return box->property("calendarIdentifier").isValid(); });
    }

    // Every text of the page a person would read or hear.
    [[nodiscard]] QStringList visibleTexts() const
    {
        QStringList texts;
        for (const QWidget *widget : view->findChildren<QWidget *>()) {
            if (!widget->isVisible())
                continue;
            if (const auto *label = qobject_cast<const PanelLabel *>(widget))
                texts << label->text();
            if (const auto *shown = qobject_cast<const QAbstractButton *>(widget))
                texts << shown->text();
            texts << widget->accessibleName();
        }
        return texts;
    }

    [[nodiscard]] QJsonValue stored(const QString &key) const
    {
        return services->settingsFile().value(u"preferences."_s + key);
    }

private Q_SLOTS:
    void pageBuildsAndClicksAreStored()
    {
        makePage();
        const QStringList texts = visibleTexts();
        for (const QString &row : {u"栖格日历"_s, u"藏在菜单栏里的轻量日历。"_s, u"菜单栏:"_s,
                                   u"日期选项"_s, u"时间选项"_s, u"系统日历与提醒"_s})
            QVERIFY2(texts.contains(row), qPrintable(row));
        button(u"显示星期"_s)->click();
        QCOMPARE(stored(u"showWeekday"_s), QJsonValue(false));
        button(u"显示秒"_s)->click();
        QCOMPARE(stored(u"showSeconds"_s), QJsonValue(true));

        // The AM/PM switch is offered only with the 12-hour clock, and keeps its state.
        QVERIFY(!button(u"上午/下午"_s));
        button(u"12小时"_s)->click();
        QCOMPARE(stored(u"timeFormat"_s), QJsonValue(u"twelveHour"_s));
        button(u"上午/下午"_s)->click();
        QCOMPARE(stored(u"showAMPM"_s), QJsonValue(true));
        button(u"24小时"_s)->click();
        QVERIFY(!button(u"上午/下午"_s));
        button(u"12小时"_s)->click();
        QVERIFY(button(u"上午/下午"_s)->isChecked());
    }

    void failuresAreShownOrSpringBack()
    {
        makePage();
        const QString path = services->settings->filePath();
        // A folder where the file should be: no write can replace it.
        QVERIFY(QDir().mkpath(path));
        auto *line = view->findChild<PanelLabel *>(u"settingsSaveError"_s);
        QVERIFY(!line->isVisible());

        button(u"显示农历"_s)->click();
        QVERIFY(line->isVisible());
        QVERIFY2(line->text().startsWith(u"设置未能保存："_s), qPrintable(line->text()));
        QVERIFY(button(u"显示农历"_s)->isChecked());

        QVERIFY(QDir(path).removeRecursively());
        button(u"显示星期"_s)->click();
        QVERIFY(!line->isVisible());
        QCOMPARE(stored(u"showLunarCalendar"_s), QJsonValue(true));

        // A login item that cannot be written springs back.
        const QString blocker = services->dir.filePath(u"config/autostart"_s);
        QVERIFY(writeFile(blocker, "not a folder"));
        QAbstractButton *box = button(u"开机启动"_s);
        box->click();
        QVERIFY(!box->isChecked());
        QCOMPARE(stored(u"launchAtLogin"_s), QJsonValue(false));

        QVERIFY(QFile::remove(blocker));
        box->click();
        QVERIFY(box->isChecked());
        QVERIFY(QFileInfo::exists(LaunchAtLoginService::userEntryPath()));
    }

    void pickersChooseAndSurviveARebuild()
    {
        makePage();
        const auto open = [&](const QString &picker) {
            view->content()->findChild<QAbstractButton *>(picker)->click();
        };
        open(u"menuBarPicker"_s);
        QVERIFY(view->isMenuBarPickerPresented());
        // The rows live in the popover, a window of its own.
        button(u"仅日期"_s)->click();
        QVERIFY(!view->isMenuBarPickerPresented());
        QCOMPARE(stored(u"menuBarStyle"_s), QJsonValue(u"dateOnly"_s));
        QTRY_COMPARE(view->content()->findChild<QAbstractButton *>(u"menuBarPicker"_s)->text(),
                     u"仅日期"_s);

        open(u"appearancePicker"_s);
        button(u"深色模式"_s)->click();
        QVERIFY(!view->isAppearancePickerPresented());
        QCOMPARE(stored(u"appearanceMode"_s), QJsonValue(u"dark"_s));

        // A change of appearance made elsewhere rebuilds the page; what is open stays open.
        QWidget *before = view->content();
        open(u"appearancePicker"_s);
        view->content()->findChild<ShortcutRecorderField *>()->setRecording(true);
        services->preferences->setValue(SettingKeys::appearanceMode, AppAppearanceMode::light);
        QVERIFY(view->content() != before);
        QVERIFY(view->isAppearancePickerPresented());
        QVERIFY(view->content()->findChild<ShortcutRecorderField *>()->isRecording());
    }

    void shortcutRowShowsWhoBindsIt_data()
    {
        QTest::addColumn<KeyGrabber::Mechanism>("mechanism");
        QTest::addColumn<QString>("boundAs");
        QTest::addColumn<QStringList>("status");

        const QString bound = PreferencesView::shortcutBoundByDesktopText.toString();
        QTest::newRow("key grab") << KeyGrabber::Mechanism::keyGrab << QString() << QStringList();
        QTest::newRow("the desktop's portal, showing what it bound")
            << KeyGrabber::Mechanism::desktopPortal << u"Alt+Meta+C"_s << QStringList{bound};
        QTest::newRow("no global shortcut in this session")
            << KeyGrabber::Mechanism::none << QString() << PreferencesView::noGlobalShortcutLines;
    }

    void shortcutRowShowsWhoBindsIt()
    {
        QFETCH(KeyGrabber::Mechanism, mechanism);
        QFETCH(QString, boundAs);
        makePage({}, mechanism);
        auto *field = view->content()->findChild<ShortcutRecorderField *>();
        services->shortcutService().setShortcut(Shortcut{40, 256 | 2048, u"⌥⌘K"_s});
        services->keyGrabber->describe(boundAs);
        QCOMPARE(field->shortcutText(), boundAs.isEmpty() ? u"Alt+Super+K"_s : boundAs);
        QStringList shown;
        if (auto *lines = view->content()->findChild<QWidget *>(u"shortcutStatus"_s)) {
            for (const PanelLabel *line : lines->findChildren<PanelLabel *>())
                shown << line->text();
        }
        QTEST(shown, "status");

        button(u"清除快捷键"_s)->click();
        QVERIFY(!services->settingsFile().contains(u"preferences.hotKey"_s));
        QCOMPARE(field->shortcutText(), u"记录快捷键"_s);
    }

    void accessControl_data()
    {
        QTest::addColumn<QJsonObject>("settings");
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("calendars");

        QTest::newRow("not asked yet") << QJsonObject() << u"请求权限"_s << -1;
        QTest::newRow("events granted, reminders not asked")
            << QJsonObject{{u"calendar.access.events"_s, u"granted"_s}} << u"请求权限"_s << 0;
        QTest::newRow("denied for good") << denied << u"打开设置"_s << -1;
        QTest::newRow("everything granted")
            << QJsonObject{{u"calendar.access.events"_s, u"granted"_s},
                           {u"calendar.access.reminders"_s, u"granted"_s}}
            << u"已授权"_s << 0;
        QJsonObject preview = denied;
        preview.insert(u"preferences.usePreviewData"_s, true);
        QTest::newRow("preview calendars whatever the access") << preview << u"打开设置"_s << 3;
    }

    void accessControl()
    {
        QFETCH(QJsonObject, settings);
        QFETCH(QString, control);
        QFETCH(int, calendars);
        makePage(settings);
        const QStringList texts = visibleTexts();
        for (const QString &other : {u"请求权限"_s, u"打开设置"_s, u"已授权"_s})
            QCOMPARE(texts.contains(other), other == control);
        // -1: no list; 0: the empty one, as no calendar folder exists here.
        QCOMPARE(texts.contains(u"当前没有可读取的系统日历。"_s), calendars == 0);
        QCOMPARE(calendarBoxes().size(), std::max(calendars, 0));

        // Without a prompter every request fails, and the settings page opens instead.
        int opened = 0;
        services->eventStore->setPrivacySettingsHandler([&](CalendarEntityType) { ++opened; });
        if (control != u"已授权"_s)
            button(control)->click();
        QTRY_COMPARE(opened, control == u"已授权"_s ? 0 : 1);
        QVERIFY(!view->isRequestingCalendarAccess());
    }

    void keyboardAloneInReadingOrder()
    {
        QJsonObject preview = denied;
        preview.insert(u"preferences.usePreviewData"_s, true);
        makePage(preview);
        services->shortcutService().setShortcut(Shortcut{40, 256 | 2048, u"⌥⌘K"_s});
        view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view.get()));
        const auto press = [](int key, Qt::KeyboardModifiers modifiers = {}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
        };
        const auto focused = [] {
            return QAccessible::queryAccessibleInterface(QApplication::focusWidget())
                ->text(QAccessible::Name);
        };
        // Tab goes round every control in reading order; the first one's ring waits for it.
        const QStringList order =
            u"开机启动|外观模式: 跟随系统|快捷键: Alt+Super+K|清除快捷键|菜单栏: "
            u"日期和时间|显示星期|"
            "显示日期|显示农历|显示节日与节气|显示事件红点|显示周数|周一|周日|跟随系统|24小时|"
            "12小时|显示秒|打开设置|工作|生活|订阅提醒|开机启动"_s.split(u'|');
        const QImage quiet = QApplication::focusWidget()->grab().toImage();
        QStringList reached{focused()};
        while (reached.size() < order.size()) {
            press(Qt::Key_Tab);
            reached << focused();
        }
        QCOMPARE(reached, order);
        QVERIFY(QApplication::focusWidget()->grab().toImage() != quiet);
        press(Qt::Key_Tab, Qt::ShiftModifier);
        press(Qt::Key_Space);
        QCOMPARE(stored(u"excludedCalendarIdentifiers"_s), QJsonArray{u"preview-subscription"_s});

        // A picker opens on its current choice, the arrows move, Esc closes, space takes one;
        // the page built anew for an appearance gives the focus back to the picker.
        press(Qt::Key_Tab);
        press(Qt::Key_Tab);
        QCOMPARE(focused(), u"外观模式: 跟随系统"_s);
        press(Qt::Key_Space);
        QCOMPARE(focused(), u"跟随系统"_s);
        press(Qt::Key_Escape);
        QVERIFY(!view->isAppearancePickerPresented());
        press(Qt::Key_Space);
        press(Qt::Key_Up);
        press(Qt::Key_Space);
        QCOMPARE(stored(u"appearanceMode"_s), QJsonValue(u"light"_s));
        QCOMPARE(focused(), u"外观模式: 浅色模式"_s);
        QVERIFY(view->content()->isAncestorOf(QApplication::focusWidget()));

        // The recorder starts with space and hands the focus back when Esc ends it. (The
        // offscreen platform leaves no window active once a popup has gone.)
        view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view.get()));
        press(Qt::Key_Tab);
        press(Qt::Key_Space);
        auto *field = view->content()->findChild<ShortcutRecorderField *>();
        QTRY_VERIFY(field->captureView()->hasFocus());
        press(Qt::Key_Escape);
        QTRY_COMPARE(QApplication::focusWidget(), field);
    }

    void calendarListFollowsAccessAndFolders()
    {
        makePage(denied);
        services->settings->setValue(SettingKeys::eventsAccess, u"granted"_s);
        services->settings->setValue(SettingKeys::remindersAccess, u"granted"_s);
        services->eventStore->refreshAuthorizationState();
        QVERIFY(!button(u"打开设置"_s));
        QVERIFY(visibleTexts().contains(u"已授权"_s));
        QVERIFY(visibleTexts().contains(u"当前没有可读取的系统日历。"_s));

        QVERIFY(writeFile(services->dir.filePath(u"mine/home/work/displayname"_s), "工作"));
        services->settings->setValue(SettingKeys::calendarFolders,
                                     QStringList{services->dir.filePath(u"mine"_s)});
        QTRY_COMPARE(calendarBoxes().size(), 1);
        QAbstractButton *box = calendarBoxes().at(0);
        QCOMPARE(box->text(), u"工作"_s);
        box->click();
        QVERIFY(!box->isChecked());
        QCOMPARE(stored(u"excludedCalendarIdentifiers"_s),
                 QJsonArray{box->property("calendarIdentifier").toString()});
    }
};

QTEST_MAIN(TestPreferencesView)
#include "tst_preferencesview.moc"
