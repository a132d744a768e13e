#include "preferences/AccessPromptDialog.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

class TestAccessPromptDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answers_data()
    {
        QTest::addColumn<CalendarEntityType>("type");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("click"); // empty: closed without choosing
        QTest::addColumn<bool>("contextGone");
        QTest::addColumn<std::optional<bool>>("answer");
        const QString calendars = u"“栖格日历”想访问你的日历"_s;
        const auto event = CalendarEntityType::event;
        const std::optional<bool> none;
        QTest::newRow("calendars allowed")
            << event << calendars << u"允许"_s << false << std::optional(true);
        QTest::newRow("reminders refused")
            << CalendarEntityType::reminder << u"“栖格日历”想访问你的提醒事项"_s << u"不允许"_s
            << false << std::optional(false);
        QTest::newRow("closed without a choice")
            << event << calendars << QString() << false << none;
        QTest::newRow("asker gone before the answer")
            << event << calendars << u"允许"_s << true << none;
    }

    void answers()
    {
        QFETCH(CalendarEntityType, type);
        QFETCH(QString, click);
        QFETCH(bool, contextGone);
        AccessPromptDialog prompter;
        auto context = std::make_unique<QObject>();
        std::optional<std::optional<bool>> got; // empty: never answered
        prompter.ask(type, context.get(), [&](std::optional<bool> allowed) { got = allowed; });
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        QTEST(box->text(), "question");
        QStringList buttons;
        for (QAbstractButton *button : box->buttons())
            buttons.append(button->text());
        QCOMPARE(QSet(buttons.begin(), buttons.end()), QSet<QString>({u"允许"_s, u"不允许"_s}));
        if (contextGone)
            context.reset();
        if (click.isEmpty())
            box->done(QDialog::Rejected);
        else
            box->buttons().at(buttons.indexOf(click))->click();
        QCOMPARE(got.has_value(), !contextGone);
        QTEST(got.value_or(std::nullopt), "answer");
    }
};

QTEST_MAIN(TestAccessPromptDialog)
#include "tst_accesspromptdialog.moc"
