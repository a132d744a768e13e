#include "X11KeyboardLayout.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

struct KeySymbolsDeleter
{
    void operator()(xcb_key_symbols_t *symbols) const { xcb_key_symbols_free(symbols); }
};

constexpr quint32 keypadZero = 0xffb0; // XK_KP_0
constexpr quint32 keypadNine = 0xffb9;
constexpr quint32 unicodeKeysymBase = 0x01000000;

bool isKeypadDigit(quint32 keysym)
{
    return keysym >= keypadZero && keysym <= keypadNine;
}

} // namespace

std::optional<QString> X11KeyboardLayout::unmodifiedText(quint32 x11Keycode)
{
    if (!qGuiApp || QGuiApplication::platformName() != "xcb"_L1 || x11Keycode > 255)
        return std::nullopt;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return std::nullopt;
    // Read afresh at each press: the user may have switched layouts since the last one.
    const std::unique_ptr<xcb_key_symbols_t, KeySymbolsDeleter> symbols(
        xcb_key_symbols_alloc(x11->connection()));
    if (!symbols)
        return std::nullopt;
    const auto keycode = xcb_keycode_t(x11Keycode);
    // The first column is the key alone; a keypad key has its digit in the second.
    const quint32 withNumLock = xcb_key_symbols_get_keysym(symbols.get(), keycode, 1);
    if (isKeypadDigit(withNumLock))
        return keysymText(withNumLock);
    return keysymText(xcb_key_symbols_get_keysym(symbols.get(), keycode, 0));
}

std::optional<QString> X11KeyboardLayout::keysymText(quint32 keysym)
{
    if ((keysym >= 0x20 && keysym <= 0x7e) || (keysym >= 0xa0 && keysym <= 0xff))
        return QString(QChar(char16_t(keysym)));
    if (keysym >= unicodeKeysymBase + 0x100 && keysym <= unicodeKeysymBase + 0x10ffff) {
        const char32_t codePoint = keysym - unicodeKeysymBase;
        return QString::fromUcs4(&codePoint, 1);
    }
    if (isKeypadDigit(keysym))
        return QString(QChar(u'0' + char16_t(keysym - keypadZero)));
    return std::nullopt;
}
