#include "events/AccessPromptDialog.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QMessageBox *openBox()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
            return box;
    }
    return nullptr;
}

QAbstractButton *button(QMessageBox *box, const QString &text)
{
    for (QAbstractButton *candidate : box->buttons()) {
        if (candidate->text() == text)
            return candidate;
    }
    return nullptr;
}

} // namespace

class TestAccessPromptDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answers_data();
    void answers();
    void noAnswerOnceContextIsGone();
};

void TestAccessPromptDialog::answers_data()
{
    QTest::addColumn<CalendarEntityType>("type");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("click"); // empty: closed without choosing
    QTest::addColumn<std::optional<bool>>("answer");
    QTest::newRow("calendars allowed") << CalendarEntityType::event << u"“栖格日历”想访问你的日历"_s
                                       << u"允许"_s << std::optional(true);
    QTest::newRow("reminders refused")
        << CalendarEntityType::reminder << u"“栖格日历”想访问你的提醒事项"_s << u"不允许"_s
        << std::optional(false);
    QTest::newRow("closed without a choice")
        << CalendarEntityType::event << u"“栖格日历”想访问你的日历"_s << QString()
        << std::optional<bool>();
}

void TestAccessPromptDialog::answers()
{
    QFETCH(CalendarEntityType, type);
    QFETCH(QString, question);
    QFETCH(QString, click);
    QFETCH(std::optional<bool>, answer);
    AccessPromptDialog prompter;
    int calls = 0;
    std::optional<bool> got;
    prompter.ask(type, this, [&](std::optional<bool> allowed) {
        ++calls;
        got = allowed;
    });
    QMessageBox *box = openBox();
    QVERIFY(box);
    QCOMPARE(box->text(), question);
    QVERIFY(box->isModal());
    QVERIFY(button(box, u"允许"_s));
    QVERIFY(button(box, u"不允许"_s));
    if (click.isEmpty())
        box->done(QDialog::Rejected);
    else
        button(box, click)->click();
    QTRY_COMPARE(calls, 1);
    QCOMPARE(got, answer);
}

void TestAccessPromptDialog::noAnswerOnceContextIsGone()
{
    AccessPromptDialog prompter;
    bool called = false;
    auto context = std::make_unique<QObject>();
    prompter.ask(CalendarEntityType::event, context.get(),
                 [&](std::optional<bool>) { called = true; });
    QMessageBox *box = openBox();
    QVERIFY(box);
    context.reset();
    button(box, u"允许"_s)->click();
    QTest::qWait(10);
    QVERIFY(!called);
}

QTEST_MAIN(TestAccessPromptDialog)
#include "tst_accesspromptdialog.moc"
