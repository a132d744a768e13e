#include "preferences/HotKeyShortcut.h"
#include "preferences/ShortcutKeyEventTranslator.h"
#include "preferences/VirtualKeyMap.h"

#include <QKeyEvent>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr quint32 commandFlag = ShortcutKeyEvent::commandFlag;
constexpr quint32 shiftFlag = ShortcutKeyEvent::shiftFlag;
constexpr quint32 optionFlag = ShortcutKeyEvent::optionFlag;
constexpr quint32 controlFlag = ShortcutKeyEvent::controlFlag;

} // namespace

// Offscreen, where Qt gives no X11 key codes unless an event carries one and no keyboard layout
// can be asked.
class TestShortcutKeyEventTranslator : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void translate_data();
    void translate();
    void keysWithoutVirtualKeyCode_data();
    void keysWithoutVirtualKeyCode();
    void everyQtKeyMapsToACodeTheX11TableKnows();
};

void TestShortcutKeyEventTranslator::translate_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<quint32>("scanCode");
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint32>("keyCode");
    QTest::addColumn<quint32>("modifierFlags");
    QTest::addColumn<QString>("characters");

    QTest::newRow("Super+Shift+K by Qt key")
        << int(Qt::Key_K) << Qt::KeyboardModifiers(Qt::MetaModifier | Qt::ShiftModifier) << 0u
        << u"K"_s << 40u << (commandFlag | shiftFlag) << u"k"_s;
    QTest::newRow("Super+Shift+K by X11 key code")
        << int(Qt::Key_K) << Qt::KeyboardModifiers(Qt::MetaModifier | Qt::ShiftModifier) << 45u
        << u"K"_s << 40u << (commandFlag | shiftFlag) << u"k"_s;
    // On AZERTY the key right of Tab types A but sits where Q is: the position decides.
    QTest::newRow("X11 key code wins over the Qt key")
        << int(Qt::Key_A) << Qt::KeyboardModifiers(Qt::ControlModifier) << 24u << u"a"_s << 12u
        << controlFlag << u"a"_s;
    QTest::newRow("keypad 1") << int(Qt::Key_1)
                              << Qt::KeyboardModifiers(Qt::AltModifier | Qt::KeypadModifier) << 0u
                              << u"1"_s << 0x53u << optionFlag << u"1"_s;
    QTest::newRow("digit 1 off the keypad")
        << int(Qt::Key_1) << Qt::KeyboardModifiers(Qt::AltModifier) << 0u << u"1"_s << 18u
        << optionFlag << u"1"_s;
    QTest::newRow("Backspace is the Delete key")
        << int(Qt::Key_Backspace) << Qt::KeyboardModifiers() << 0u << QString() << 51u << 0u
        << QString();
    QTest::newRow("Delete is the Forward Delete key")
        << int(Qt::Key_Delete) << Qt::KeyboardModifiers() << 0u << QString() << 117u << 0u
        << QString();
    QTest::newRow("Shift+Tab arrives as Backtab")
        << int(Qt::Key_Backtab) << Qt::KeyboardModifiers(Qt::ShiftModifier) << 0u << QString()
        << 48u << shiftFlag << QString();
    QTest::newRow("F1 by X11 key code") << int(Qt::Key_F1) << Qt::KeyboardModifiers() << 67u
                                        << QString() << 122u << 0u << QString();
}

void TestShortcutKeyEventTranslator::translate()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(quint32, scanCode);
    QFETCH(QString, text);
    QFETCH(quint32, keyCode);
    QFETCH(quint32, modifierFlags);
    QFETCH(QString, characters);

    const QKeyEvent event(QEvent::KeyPress, key, modifiers, scanCode, 0, 0, text);
    const std::optional<ShortcutKeyEvent> translated = ShortcutKeyEventTranslator::translate(event);
    QVERIFY(translated);
    QCOMPARE(translated->keyCode, keyCode);
    QCOMPARE(translated->modifierFlags, modifierFlags);
    QCOMPARE(translated->charactersIgnoringModifiers, characters);
}

void TestShortcutKeyEventTranslator::keysWithoutVirtualKeyCode_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<quint32>("scanCode");
    QTest::newRow("a launcher key") << int(Qt::Key_Launch0) << 0u;
    QTest::newRow("a Qt key no US keyboard has") << int(Qt::Key_Exclam) << 0u;
    QTest::newRow("an X11 key code outside the table") << int(Qt::Key_K) << 255u;
}

void TestShortcutKeyEventTranslator::keysWithoutVirtualKeyCode()
{
    QFETCH(int, key);
    QFETCH(quint32, scanCode);
    const QKeyEvent event(QEvent::KeyPress, key, Qt::MetaModifier, scanCode, 0, 0, u"x"_s);
    QCOMPARE(ShortcutKeyEventTranslator::translate(event), std::nullopt);
}

void TestShortcutKeyEventTranslator::everyQtKeyMapsToACodeTheX11TableKnows()
{
    // Both ways of finding a key must give codes a grab can use.
    std::vector<int> keys;
    for (int key = 0x20; key <= 0x7e; ++key)
        keys.push_back(key);
    for (int key = Qt::Key_Escape; key <= Qt::Key_Escape + 0xff; ++key)
        keys.push_back(key);
    int found = 0;
    for (const int key : keys) {
        for (const bool keypad : {false, true}) {
            if (const auto code = ShortcutKeyEventTranslator::virtualKeyFromQtKey(key, keypad)) {
                ++found;
                QVERIFY2(VirtualKeyMap::x11FromVirtualKey(*code),
                         qPrintable(u"Qt key %1"_s.arg(key, 0, 16)));
            }
        }
    }
    QVERIFY(found > 100);
}

QTEST_MAIN(TestShortcutKeyEventTranslator)
#include "tst_shortcutkeyeventtranslator.moc"
