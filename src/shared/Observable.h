#pragma once

#include <QObject>

#include <functional>
#include <type_traits>

/// Subscribes to a property: connects `slot` to the property's NOTIFY `signal`, then calls it at
/// once with the current value read through `getter`. The connection ends with `context`, which
/// is also the object a member-function slot is called on. A slot may take the value or nothing.
///
///     observe(store, &PreferencesStore::showSecondsChanged, &PreferencesStore::showSeconds, this,
///     [this](bool on) { ... });
template<typename Source, typename Signal, typename Getter, typename Context, typename Slot>
QMetaObject::Connection observe(const Source *source, Signal signal, Getter getter,
                                Context *context, Slot slot)
{
    static_assert(std::is_base_of_v<QObject, Context>, "the context must be a QObject");
    const QMetaObject::Connection connection = QObject::connect(source, signal, context, slot);
    decltype(auto) current = std::invoke(getter, source);
    if constexpr (std::is_member_function_pointer_v<Slot>) {
        if constexpr (std::is_invocable_v<Slot, Context *, decltype(current)>)
            std::invoke(slot, context, current);
        else
            std::invoke(slot, context);
    } else {
        if constexpr (std::is_invocable_v<Slot &, decltype(current)>)
            std::invoke(slot, current);
        else
            std::invoke(slot);
    }
    return connection;
}
