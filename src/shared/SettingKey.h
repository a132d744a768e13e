#pragma once

#include "PreferenceChoice.h"

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>
#include <QStringList>

#include <concepts>
#include <cstddef>
#include <type_traits>
#include <utility>

/// An enumeration whose cases choiceCases() lists: stored as the case's raw-value text.
template<typename T>
concept SettingChoice = std::is_enum_v<T> && requires
{
    choiceCases(T{});
};

/// What the settings file keeps under a key: a boolean, a text, a list of texts, data, a choice.
template<typename T>
concept SettingValue = std::same_as<T, bool> || std::same_as<T, QString> || std::same_as<
    T, QStringList> || std::same_as<T, QByteArray> || SettingChoice<T>;

/// A key of the settings file, the type of its value and what it reads as while the file holds
/// no value of that type. There is no key without both.
template<SettingValue T> struct SettingKey
{
    using Value = T;

    template<std::size_t N>
    constexpr SettingKey(const char (&key)[N], T fallback)
        : name(key, qsizetype(N - 1))
        , defaultValue(std::move(fallback))
    {
    }

    QLatin1StringView name;
    T defaultValue;
};
