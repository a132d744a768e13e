#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// A choice stored as a raw-value text and shown with a Chinese title. Each choice type lists its
// cases, in declaration order, through an overload of choiceCases() found by argument lookup.
template<typename Choice> struct ChoiceCase
{
    Choice value;
    const char16_t *rawValue;
    const char16_t *title;
};

template<typename Choice> ChoiceCase<Choice> choiceCase(Choice choice)
{
    for (const auto &entry : choiceCases(Choice{})) {
        if (entry.value == choice)
            return entry;
    }
    return choiceCases(Choice{}).front();
}

/// The stored text of a case; also its id.
template<typename Choice> QString rawValue(Choice choice)
{
    return QString::fromUtf16(choiceCase(choice).rawValue);
}

template<typename Choice> QString title(Choice choice)
{
    return QString::fromUtf16(choiceCase(choice).title);
}

/// The case with exactly this raw value (case-sensitive, untrimmed).
template<typename Choice> std::optional<Choice> fromRawValue(QStringView text)
{
    for (const auto &entry : choiceCases(Choice{})) {
        if (text == QStringView(entry.rawValue))
            return entry.value;
    }
    return std::nullopt;
}
