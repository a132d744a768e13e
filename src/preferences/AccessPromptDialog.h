#pragma once

#include "events/AccessPrompter.h"

class QWidget;

// The question as a modal message box of our own: "不允许" or "允许". Closing the box without
// choosing is no answer, so the user can be asked again.
class AccessPromptDialog final : public AccessPrompter
{
public:
    explicit AccessPromptDialog(QWidget *parent = nullptr);

    void ask(CalendarEntityType type, QObject *context,
             std::function<void(std::optional<bool>)> answer) override;

    [[nodiscard]] static QString question(CalendarEntityType type);

private:
    QWidget *parent;
};
