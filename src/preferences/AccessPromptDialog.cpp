#include "AccessPromptDialog.h"

#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

using namespace Qt::StringLiterals;

AccessPromptDialog::AccessPromptDialog(QWidget *parent)
    : parent(parent)
{
}

QString AccessPromptDialog::question(CalendarEntityType type)
{
    return type == CalendarEntityType::event ? u"“栖格日历”想访问你的日历"_s
                                             : u"“栖格日历”想访问你的提醒事项"_s;
}

void AccessPromptDialog::ask(CalendarEntityType type, QObject *context,
                             std::function<void(std::optional<bool>)> answer)
{
    auto *box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    box->setWindowTitle(u"栖格日历"_s);
    box->setText(question(type));
    box->setIcon(QMessageBox::Question);
    QPushButton *deny = box->addButton(u"不允许"_s, QMessageBox::RejectRole);
    QPushButton *allow = box->addButton(u"允许"_s, QMessageBox::AcceptRole);
    box->setDefaultButton(allow);
    box->setEscapeButton(deny);

    const QPointer<QObject> guard(context);
    const bool hasContext = context != nullptr;
    QObject::connect(box, &QMessageBox::finished, box,
                     [box, deny, allow, guard, hasContext, answer = std::move(answer)] {
                         if (hasContext && !guard)
                             return;
                         const QAbstractButton *clicked = box->clickedButton();
                         if (clicked == allow)
                             answer(true);
                         else if (clicked == deny)
                             answer(false);
                         else
                             answer(std::nullopt);
                     });
    box->open();
    // The question must be seen even though the application has no window in front.
    box->raise();
    box->activateWindow();
}
