#pragma once

#include <memory>

// Frees a C library's object with that library's own function.
template<auto release> struct CRelease
{
    template<typename T> void operator()(T *handle) const { release(handle); }
};

/// Owns a handle from a C library (an xcb reply, a libical component, a GLib object, a locale).
template<typename T, auto release> using CHandle = std::unique_ptr<T, CRelease<release>>;
