#include "preferences/HotKeyShortcut.h"
#include "preferences/ShortcutKeyEvent.h"
#include "preferences/VirtualKeyMap.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr quint32 shift = ShortcutKeyEvent::shiftFlag;
constexpr quint32 control = ShortcutKeyEvent::controlFlag;
constexpr quint32 option = ShortcutKeyEvent::optionFlag;
constexpr quint32 command = ShortcutKeyEvent::commandFlag;
constexpr quint32 capsLockFlag = 0x10000;
constexpr quint32 numericPadFlag = 0x200000;
constexpr quint32 functionFlag = 0x800000;

// What function and arrow keys type: code points of the private use area.
const QString f1Characters = QString(QChar(0xF704));
const QString leftArrowCharacters = QString(QChar(0xF702));

QString describe(const std::optional<HotKeyShortcut> &shortcut)
{
    if (!shortcut)
        return u"none"_s;
    return u"{%1, 0x%2, \"%3\"}"_s.arg(shortcut->keyCode)
        .arg(shortcut->carbonModifiers, 0, 16)
        .arg(shortcut->displayText);
}

} // namespace

class ShortcutCaptureTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void capture_data();
    void capture();
    void functionKeys_data();
    void functionKeys();
    void keyLabelTableSize();
    void keysWithoutLabel_data();
    void keysWithoutLabel();
    void modifierFlagsFromQt_data();
    void modifierFlagsFromQt();

    void knownX11Pairs_data();
    void knownX11Pairs();
    void usLayoutKeysReachTheirLabels_data();
    void usLayoutKeysReachTheirLabels();
    void x11MapRoundTrip();
    void everyLabelledKeyHasAnX11Key();
    void x11ModifierMasks_data();
    void x11ModifierMasks();
    void x11StateIgnoresLocks();
    void pressOnX11BecomesShortcut();
};

void ShortcutCaptureTest::capture_data()
{
    QTest::addColumn<quint32>("flags");
    QTest::addColumn<quint32>("keyCode");
    QTest::addColumn<QString>("characters");
    QTest::addColumn<QString>("expected"); // describe() of the result

    QTest::newRow("command shift K on US layout")
        << (command | shift) << 40u << u"k"_s << u"{40, 0x300, \"⇧⌘K\"}"_s;
    QTest::newRow("control option command space")
        << (control | option | command) << 49u << u" "_s << u"{49, 0x1900, \"⌃⌥⌘Space\"}"_s;
    QTest::newRow("all four in fixed symbol order")
        << (command | shift | option | control) << 0u << u"a"_s << u"{0, 0x1b00, \"⌃⌥⇧⌘A\"}"_s;
    QTest::newRow("control and command")
        << (command | control) << 40u << u"k"_s << u"{40, 0x1100, \"⌃⌘K\"}"_s;
    QTest::newRow("option and shift")
        << (shift | option) << 40u << u"k"_s << u"{40, 0xa00, \"⌥⇧K\"}"_s;
    QTest::newRow("shift alone is accepted") << shift << 40u << u"K"_s << u"{40, 0x200, \"⇧K\"}"_s;
    QTest::newRow("control alone") << control << 40u << u"k"_s << u"{40, 0x1000, \"⌃K\"}"_s;

    QTest::newRow("no modifier") << 0u << 40u << u"k"_s << u"none"_s;
    QTest::newRow("no modifier on F1") << 0u << 122u << f1Characters << u"none"_s;
    QTest::newRow("caps lock does not count") << capsLockFlag << 40u << u"k"_s << u"none"_s;
    QTest::newRow("function and keypad flags do not count")
        << (functionFlag | numericPadFlag) << 123u << leftArrowCharacters << u"none"_s;
    QTest::newRow("caps lock beside command is dropped")
        << (command | capsLockFlag) << 40u << u"k"_s << u"{40, 0x100, \"⌘K\"}"_s;

    QTest::newRow("option F1") << option << 122u << f1Characters << u"{122, 0x800, \"⌥F1\"}"_s;
    QTest::newRow("option return") << option << 36u << u"\r"_s << u"none"_s;
    QTest::newRow("command return") << command << 36u << u"\r"_s << u"none"_s;
    QTest::newRow("keypad enter has the return label")
        << command << 76u << u"\x03"_s << u"{76, 0x100, \"⌘↩\"}"_s;
    QTest::newRow("caps lock key") << command << 57u << QString() << u"none"_s;
    QTest::newRow("help key") << command << 114u << QString() << u"none"_s;
    QTest::newRow("ISO section key") << command << 10u << u"§"_s << u"none"_s;
    QTest::newRow("keypad plus") << command << 69u << u"+"_s << u"none"_s;
    QTest::newRow("keypad digit labelled by its digit")
        << command << 83u << u"1"_s << u"{83, 0x100, \"⌘1\"}"_s;
    QTest::newRow("unknown key code typing a letter")
        << command << 200u << u"q"_s << u"{200, 0x100, \"⌘Q\"}"_s;
    QTest::newRow("unknown key code typing nothing") << command << 200u << QString() << u"none"_s;

    // the layout's character wins over the key's US position
    QTest::newRow("AZERTY A on the US Q key")
        << command << 12u << u"a"_s << u"{12, 0x100, \"⌘A\"}"_s;
    QTest::newRow("Cyrillic letter") << command << 40u << u"л"_s << u"{40, 0x100, \"⌘Л\"}"_s;
    QTest::newRow("Greek letter") << option << 0u << u"α"_s << u"{0, 0x800, \"⌥Α\"}"_s;
    QTest::newRow("Arabic-Indic digit") << command << 20u << u"٣"_s << u"{20, 0x100, \"⌘٣\"}"_s;
    QTest::newRow("CJK ideograph") << command << 40u << u"中"_s << u"{40, 0x100, \"⌘中\"}"_s;
    QTest::newRow("letter outside the BMP") << command << 40u << u"𝐀"_s << u"{40, 0x100, \"⌘𝐀\"}"_s;
    QTest::newRow("sharp s upper-cases to SS")
        << command << 27u << u"ß"_s << u"{27, 0x100, \"⌘SS\"}"_s;
    QTest::newRow("letter with combining accent is one character")
        << command << 14u << u"e\u0301"_s << u"{14, 0x100, \"⌘E\u0301\"}"_s;
    QTest::newRow("two letters fall back to the table")
        << command << 40u << u"kk"_s << u"{40, 0x100, \"⌘K\"}"_s;
    QTest::newRow("no characters fall back to the table")
        << command << 40u << QString() << u"{40, 0x100, \"⌘K\"}"_s;
    QTest::newRow("shifted digit uses the table")
        << (command | shift) << 19u << u"@"_s << u"{19, 0x300, \"⇧⌘2\"}"_s;
    QTest::newRow("AZERTY punctuation on a letter key")
        << command << 46u << u","_s << u"{46, 0x100, \"⌘M\"}"_s;

    // labels from the key code table
    QTest::newRow("semicolon") << command << 41u << u";"_s << u"{41, 0x100, \"⌘;\"}"_s;
    QTest::newRow("backslash") << command << 42u << u"\\"_s << u"{42, 0x100, \"⌘\\\"}"_s;
    QTest::newRow("grave") << control << 50u << u"`"_s << u"{50, 0x1000, \"⌃`\"}"_s;
    QTest::newRow("tab") << option << 48u << u"\t"_s << u"{48, 0x800, \"⌥⇥\"}"_s;
    QTest::newRow("delete") << command << 51u << u"\x7f"_s << u"{51, 0x100, \"⌘⌫\"}"_s;
    QTest::newRow("forward delete")
        << command << 117u << QString(QChar(0xF728)) << u"{117, 0x100, \"⌘Del\"}"_s;
    QTest::newRow("escape") << command << 53u << u"\x1b"_s << u"{53, 0x100, \"⌘Esc\"}"_s;
    QTest::newRow("left arrow") << control << 123u << leftArrowCharacters
                                << u"{123, 0x1000, \"⌃←\"}"_s;
    QTest::newRow("up arrow") << control << 126u << QString() << u"{126, 0x1000, \"⌃↑\"}"_s;
    QTest::newRow("page down") << command << 121u << QString() << u"{121, 0x100, \"⌘PgDn\"}"_s;
    QTest::newRow("home") << command << 115u << QString() << u"{115, 0x100, \"⌘Home\"}"_s;
    QTest::newRow("volume up") << option << 72u << QString() << u"{72, 0x800, \"⌥音量+\"}"_s;
    QTest::newRow("mute") << option << 74u << QString() << u"{74, 0x800, \"⌥静音\"}"_s;
    QTest::newRow("right command key") << shift << 54u << QString() << u"{54, 0x200, \"⇧⌘\"}"_s;
    QTest::newRow("fn key") << shift << 63u << QString() << u"{63, 0x200, \"⇧Fn\"}"_s;
}

void ShortcutCaptureTest::capture()
{
    QFETCH(quint32, flags);
    QFETCH(quint32, keyCode);
    QFETCH(QString, characters);
    QFETCH(QString, expected);

    QCOMPARE(describe(HotKeyShortcut::capture({flags, keyCode, characters})), expected);
}

void ShortcutCaptureTest::functionKeys_data()
{
    QTest::addColumn<quint32>("keyCode");
    QTest::addColumn<QString>("label");

    const quint32 codes[] = {122, 120, 99,  118, 96,  97,  98, 100, 101, 109,
                             103, 111, 105, 107, 113, 106, 64, 79,  80,  90};
    for (int number = 1; number <= 20; ++number) {
        const QString label = u"F%1"_s.arg(number);
        QTest::addRow("%s", qPrintable(label)) << codes[number - 1] << label;
    }
}

void ShortcutCaptureTest::functionKeys()
{
    QFETCH(quint32, keyCode);
    QFETCH(QString, label);

    QCOMPARE(HotKeyShortcut::keyLabel(keyCode), std::optional(label));
    const auto shortcut = HotKeyShortcut::capture({control, keyCode, QString(QChar(0xF704))});
    QCOMPARE(describe(shortcut), u"{%1, 0x1000, \"⌃%2\"}"_s.arg(keyCode).arg(label));
    QCOMPARE(describe(HotKeyShortcut::capture({0, keyCode, QString()})), u"none"_s);
}

void ShortcutCaptureTest::keyLabelTableSize()
{
    // 73 keys of the main table and 20 function keys, all below 128.
    int labelled = 0;
    for (quint32 code = 0; code < 1024; ++code) {
        if (HotKeyShortcut::keyLabel(code)) {
            QVERIFY2(code < 128, qPrintable(QString::number(code)));
            ++labelled;
        }
    }
    QCOMPARE(labelled, 93);
}

void ShortcutCaptureTest::keysWithoutLabel_data()
{
    QTest::addColumn<quint32>("keyCode");

    QTest::newRow("ISO section") << 10u;
    QTest::newRow("return") << 36u;
    QTest::newRow("52, unused") << 52u;
    QTest::newRow("caps lock") << 57u;
    QTest::newRow("keypad decimal") << 65u;
    QTest::newRow("keypad multiply") << 67u;
    QTest::newRow("keypad clear") << 71u;
    QTest::newRow("keypad divide") << 75u;
    QTest::newRow("keypad minus") << 78u;
    QTest::newRow("keypad equals") << 81u;
    QTest::newRow("keypad 0") << 82u;
    QTest::newRow("keypad 9") << 92u;
    QTest::newRow("help") << 114u;
    QTest::newRow("127") << 127u;
    QTest::newRow("largest") << 0xFFFFFFFFu;
}

void ShortcutCaptureTest::keysWithoutLabel()
{
    QFETCH(quint32, keyCode);

    QCOMPARE(HotKeyShortcut::keyLabel(keyCode), std::nullopt);
    QCOMPARE(describe(HotKeyShortcut::capture({command | control, keyCode, u"\x01"_s})), u"none"_s);
}

void ShortcutCaptureTest::modifierFlagsFromQt_data()
{
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<quint32>("flags");

    QTest::newRow("none") << Qt::KeyboardModifiers() << 0u;
    QTest::newRow("Meta is Command") << Qt::KeyboardModifiers(Qt::MetaModifier) << command;
    QTest::newRow("Alt is Option") << Qt::KeyboardModifiers(Qt::AltModifier) << option;
    QTest::newRow("Control") << Qt::KeyboardModifiers(Qt::ControlModifier) << control;
    QTest::newRow("Shift") << Qt::KeyboardModifiers(Qt::ShiftModifier) << shift;
    QTest::newRow("all four") << (Qt::MetaModifier | Qt::AltModifier | Qt::ControlModifier
                                  | Qt::ShiftModifier)
                              << (command | option | control | shift);
    QTest::newRow("keypad and group switch ignored")
        << (Qt::KeypadModifier | Qt::GroupSwitchModifier | Qt::ShiftModifier) << shift;
}

void ShortcutCaptureTest::modifierFlagsFromQt()
{
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(quint32, flags);

    QCOMPARE(ShortcutKeyEvent::modifierFlagsFrom(modifiers), flags);
}

void ShortcutCaptureTest::knownX11Pairs_data()
{
    QTest::addColumn<quint32>("x11");
    QTest::addColumn<quint32>("virtualKey");

    QTest::newRow("K (evdev 37)") << 45u << 40u;
    QTest::newRow("Return") << 36u << 36u;
    QTest::newRow("Escape") << 9u << 53u;
    QTest::newRow("BackSpace") << 22u << 51u;
    QTest::newRow("Delete") << 119u << 117u;
    QTest::newRow("F1") << 67u << 122u;
    QTest::newRow("A") << 38u << 0u;
    QTest::newRow("space") << 65u << 49u;
    QTest::newRow("Caps Lock") << 66u << 57u;
    QTest::newRow("Insert, the Help position") << 118u << 114u;
    QTest::newRow("keypad Enter") << 104u << 76u;
    QTest::newRow("keypad 0") << 90u << 82u;
    QTest::newRow("keypad 7") << 79u << 89u;
    QTest::newRow("keypad decimal") << 91u << 65u;
    QTest::newRow("keypad equals") << 125u << 81u;
    QTest::newRow("Num Lock, the Clear position") << 77u << 71u;
}

void ShortcutCaptureTest::knownX11Pairs()
{
    QFETCH(quint32, x11);
    QFETCH(quint32, virtualKey);

    QCOMPARE(VirtualKeyMap::virtualKeyFromX11(x11), std::optional(virtualKey));
    QCOMPARE(VirtualKeyMap::x11FromVirtualKey(virtualKey), std::optional(x11));
}

void ShortcutCaptureTest::usLayoutKeysReachTheirLabels_data()
{
    QTest::addColumn<quint32>("x11");
    QTest::addColumn<QString>("label");

    // X11 key codes of the US layout (xkb "evdev" keycodes), independent of the evdev table.
    const QString row1 = u"1234567890-="_s; // AE01…AE12
    for (int i = 0; i < row1.size(); ++i)
        QTest::addRow("%s", qPrintable(row1.mid(i, 1))) << quint32(10 + i) << row1.mid(i, 1);
    const QString row2 = u"QWERTYUIOP[]"_s; // AD01…AD12
    for (int i = 0; i < row2.size(); ++i)
        QTest::addRow("%s", qPrintable(row2.mid(i, 1))) << quint32(24 + i) << row2.mid(i, 1);
    const QString row3 = u"ASDFGHJKL;'`"_s; // AC01…AC11, TLDE
    for (int i = 0; i < row3.size(); ++i)
        QTest::addRow("%s", qPrintable(row3.mid(i, 1))) << quint32(38 + i) << row3.mid(i, 1);
    QTest::newRow("backslash") << 51u << u"\\"_s;
    const QString row4 = u"ZXCVBNM,./"_s; // AB01…AB10
    for (int i = 0; i < row4.size(); ++i)
        QTest::addRow("%s", qPrintable(row4.mid(i, 1))) << quint32(52 + i) << row4.mid(i, 1);

    for (int i = 0; i < 10; ++i)
        QTest::addRow("F%d", i + 1) << quint32(67 + i) << u"F%1"_s.arg(i + 1);
    QTest::newRow("F11") << 95u << u"F11"_s;
    QTest::newRow("F12") << 96u << u"F12"_s;
    for (int i = 13; i <= 20; ++i)
        QTest::addRow("F%d", i) << quint32(191 + i - 13) << u"F%1"_s.arg(i);

    QTest::newRow("BackSpace") << 22u << u"⌫"_s;
    QTest::newRow("Tab") << 23u << u"⇥"_s;
    QTest::newRow("space") << 65u << u"Space"_s;
    QTest::newRow("Escape") << 9u << u"Esc"_s;
    QTest::newRow("Delete") << 119u << u"Del"_s;
    QTest::newRow("Home") << 110u << u"Home"_s;
    QTest::newRow("Up") << 111u << u"↑"_s;
    QTest::newRow("Page Up") << 112u << u"PgUp"_s;
    QTest::newRow("Left") << 113u << u"←"_s;
    QTest::newRow("Right") << 114u << u"→"_s;
    QTest::newRow("End") << 115u << u"End"_s;
    QTest::newRow("Down") << 116u << u"↓"_s;
    QTest::newRow("Page Down") << 117u << u"PgDn"_s;
    QTest::newRow("keypad Enter") << 104u << u"↩"_s;
    QTest::newRow("Mute") << 121u << u"静音"_s;
    QTest::newRow("Volume down") << 122u << u"音量-"_s;
    QTest::newRow("Volume up") << 123u << u"音量+"_s;
    QTest::newRow("left Control") << 37u << u"⌃"_s;
    QTest::newRow("right Control") << 105u << u"⌃"_s;
    QTest::newRow("left Shift") << 50u << u"⇧"_s;
    QTest::newRow("right Shift") << 62u << u"⇧"_s;
    QTest::newRow("left Alt") << 64u << u"⌥"_s;
    QTest::newRow("right Alt") << 108u << u"⌥"_s;
    QTest::newRow("left Super") << 133u << u"⌘"_s;
    QTest::newRow("right Super") << 134u << u"⌘"_s;
}

void ShortcutCaptureTest::usLayoutKeysReachTheirLabels()
{
    QFETCH(quint32, x11);
    QFETCH(QString, label);

    const auto virtualKey = VirtualKeyMap::virtualKeyFromX11(x11);
    QVERIFY(virtualKey);
    QCOMPARE(HotKeyShortcut::keyLabel(*virtualKey), std::optional(label));
}

void ShortcutCaptureTest::x11MapRoundTrip()
{
    int fromX11 = 0;
    for (quint32 x11 = 0; x11 < 512; ++x11) {
        const auto virtualKey = VirtualKeyMap::virtualKeyFromX11(x11);
        if (!virtualKey)
            continue;
        ++fromX11;
        QVERIFY2(x11 >= 8 && x11 <= 255, qPrintable(QString::number(x11)));
        QCOMPARE(VirtualKeyMap::x11FromVirtualKey(*virtualKey), std::optional(x11));
    }
    int fromVirtual = 0;
    for (quint32 virtualKey = 0; virtualKey < 512; ++virtualKey) {
        const auto x11 = VirtualKeyMap::x11FromVirtualKey(virtualKey);
        if (!x11)
            continue;
        ++fromVirtual;
        QCOMPARE(VirtualKeyMap::virtualKeyFromX11(*x11), std::optional(virtualKey));
    }
    QCOMPARE(fromX11, fromVirtual);
    QCOMPARE(fromX11, 112);

    QCOMPARE(VirtualKeyMap::virtualKeyFromX11(0), std::nullopt);
    QCOMPARE(VirtualKeyMap::virtualKeyFromX11(0xFFFFFFFF), std::nullopt);
    QCOMPARE(VirtualKeyMap::x11FromVirtualKey(0xFFFFFFFF), std::nullopt);
}

void ShortcutCaptureTest::everyLabelledKeyHasAnX11Key()
{
    // Fn has no X11 key code: the kernel reports it above 255 if at all.
    for (quint32 code = 0; code < 128; ++code) {
        if (HotKeyShortcut::keyLabel(code) && code != 63)
            QVERIFY2(VirtualKeyMap::x11FromVirtualKey(code), qPrintable(QString::number(code)));
    }
    QCOMPARE(VirtualKeyMap::x11FromVirtualKey(63), std::nullopt);
}

void ShortcutCaptureTest::x11ModifierMasks_data()
{
    QTest::addColumn<quint32>("carbon");
    QTest::addColumn<quint16>("x11");

    QTest::newRow("none") << 0u << quint16(0);
    QTest::newRow("command is Super") << 0x100u << VirtualKeyMap::x11Mod4Mask;
    QTest::newRow("shift") << 0x200u << VirtualKeyMap::x11ShiftMask;
    QTest::newRow("option is Alt") << 0x800u << VirtualKeyMap::x11Mod1Mask;
    QTest::newRow("control") << 0x1000u << VirtualKeyMap::x11ControlMask;
    QTest::newRow("command shift") << 0x300u << quint16(0x41);
    QTest::newRow("all four") << 0x1B00u << quint16(0x4D);
}

void ShortcutCaptureTest::x11ModifierMasks()
{
    QFETCH(quint32, carbon);
    QFETCH(quint16, x11);

    QCOMPARE(VirtualKeyMap::x11ModifiersFromCarbon(carbon), x11);
    QCOMPARE(VirtualKeyMap::carbonModifiersFromX11(x11), carbon);
}

void ShortcutCaptureTest::x11StateIgnoresLocks()
{
    const quint16 locks = VirtualKeyMap::x11LockMask | VirtualKeyMap::x11Mod2Mask;
    QCOMPARE(VirtualKeyMap::carbonModifiersFromX11(locks), 0u);
    QCOMPARE(VirtualKeyMap::carbonModifiersFromX11(locks | VirtualKeyMap::x11Mod4Mask), 0x100u);
    // Mod3, Mod5 (AltGr on many layouts) and the pointer buttons are not shortcut modifiers.
    QCOMPARE(VirtualKeyMap::carbonModifiersFromX11(0x20 | 0x80 | 0x100 | 0x1000), 0u);
    // Carbon bits without an X11 counterpart (Caps Lock 0x400) give nothing.
    QCOMPARE(VirtualKeyMap::x11ModifiersFromCarbon(0x400), quint16(0));
}

void ShortcutCaptureTest::pressOnX11BecomesShortcut()
{
    // Super+Shift+K as an X11 key press arrives as key code 45.
    const auto virtualKey = VirtualKeyMap::virtualKeyFromX11(45);
    QVERIFY(virtualKey);
    const ShortcutKeyEvent event{
        ShortcutKeyEvent::modifierFlagsFrom(Qt::MetaModifier | Qt::ShiftModifier), *virtualKey,
        u"K"_s};
    const auto shortcut = HotKeyShortcut::capture(event);
    QCOMPARE(describe(shortcut), u"{40, 0x300, \"⇧⌘K\"}"_s);
    QCOMPARE(VirtualKeyMap::x11FromVirtualKey(shortcut->keyCode), std::optional(45u));
    QCOMPARE(VirtualKeyMap::x11ModifiersFromCarbon(shortcut->carbonModifiers),
             quint16(VirtualKeyMap::x11Mod4Mask | VirtualKeyMap::x11ShiftMask));
}

QTEST_GUILESS_MAIN(ShortcutCaptureTest)
#include "tst_shortcutcapture.moc"
