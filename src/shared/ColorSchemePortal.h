#pragma once

#include <QObject>

#include <optional>

// Where the desktop publishes its colour-scheme preference: the "color-scheme" key of the
// "org.freedesktop.appearance" settings, 0 for no preference, 1 for dark, 2 for light.
class ColorSchemePortal : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~ColorSchemePortal() override;

    /// The current value, or nothing when no portal answers.
    [[nodiscard]] virtual std::optional<quint32> readColorScheme() = 0;

Q_SIGNALS:
    /// The desktop announced a new value.
    void colorSchemeChanged(quint32 value);
    /// A portal appeared or went away; what readColorScheme() answers may have changed.
    void availabilityChanged();
};
