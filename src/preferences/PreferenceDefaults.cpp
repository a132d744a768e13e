#include "PreferenceDefaults.h"

namespace {

QVariant storedForm(bool value)
{
    return value;
}

template<typename Choice> QVariant storedForm(Choice choice)
{
    return rawValue(choice);
}

} // namespace

QVariantMap PreferenceDefaults::registration()
{
    QVariantMap values;
    for (const Entry &entry : table)
        values.insert(entry.key,
                      std::visit([](auto value) { return storedForm(value); }, entry.value));
    return values;
}
