#include "preferences/HotKeyShortcut.h"
#include "preferences/ShortcutKeyEvent.h"
#include "preferences/VirtualKeyMap.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestVirtualKeyMap : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void knownPairs_data();
    void knownPairs();
    void usLayoutKeysReachTheirLabels_data();
    void usLayoutKeysReachTheirLabels();
    void mapsBothWaysAlike();
    void modifierMasks_data();
    void modifierMasks();
    void pressOnX11BecomesShortcut();
};

void TestVirtualKeyMap::knownPairs_data()
{
    QTest::addColumn<quint32>("x11");
    QTest::addColumn<quint32>("virtualKey");

    QTest::newRow("A") << 38u << 0u;
    QTest::newRow("K (evdev 37)") << 45u << 40u;
    QTest::newRow("Return") << 36u << 36u;
    QTest::newRow("Delete") << 119u << 117u;
    QTest::newRow("Insert, the Help position") << 118u << 114u;
    QTest::newRow("keypad Enter") << 104u << 76u;
    QTest::newRow("keypad 7") << 79u << 89u;
    QTest::newRow("Num Lock, the Clear position") << 77u << 71u;
}

void TestVirtualKeyMap::knownPairs()
{
    QFETCH(quint32, x11);
    QFETCH(quint32, virtualKey);

    QCOMPARE(VirtualKeyMap::virtualKeyFromX11(x11), std::optional(virtualKey));
    QCOMPARE(VirtualKeyMap::x11FromVirtualKey(virtualKey), std::optional(x11));
}

void TestVirtualKeyMap::usLayoutKeysReachTheirLabels_data()
{
    QTest::addColumn<quint32>("x11");
    QTest::addColumn<QString>("label");

    // X11 key codes of the US layout (xkb "evdev" keycodes), rows AE, AD, AC (with TLDE), AB.
    const std::pair<quint32, QString> rows[] = {{10, u"1234567890-="_s},
                                                {24, u"QWERTYUIOP[]"_s},
                                                {38, u"ASDFGHJKL;'`"_s},
                                                {52, u"ZXCVBNM,./"_s}};
    for (const auto &[first, keys] : rows) {
        for (int i = 0; i < keys.size(); ++i)
            QTest::addRow("%s", qPrintable(keys.mid(i, 1))) << first + i << keys.mid(i, 1);
    }
    for (int i = 1; i <= 20; ++i) {
        const quint32 x11 = i <= 10 ? 66 + i : i <= 12 ? 84 + i : 178 + i;
        QTest::addRow("F%d", i) << x11 << u"F%1"_s.arg(i);
    }
    const std::pair<quint32, QString> others[] = {
        {51, u"\\"_s},     {22, u"⌫"_s},  {23, u"⇥"_s},     {65, u"Space"_s}, {9, u"Esc"_s},
        {110, u"Home"_s},  {111, u"↑"_s}, {117, u"PgDn"_s}, {104, u"↩"_s},    {121, u"静音"_s},
        {123, u"音量+"_s}, {105, u"⌃"_s}, {62, u"⇧"_s},     {108, u"⌥"_s},    {134, u"⌘"_s}};
    for (const auto &[x11, label] : others)
        QTest::addRow("key %u", x11) << x11 << label;
}

void TestVirtualKeyMap::usLayoutKeysReachTheirLabels()
{
    QFETCH(quint32, x11);
    QFETCH(QString, label);

    const auto virtualKey = VirtualKeyMap::virtualKeyFromX11(x11);
    QVERIFY(virtualKey);
    QCOMPARE(HotKeyShortcut::keyLabel(*virtualKey), std::optional(label));
}

void TestVirtualKeyMap::mapsBothWaysAlike()
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
    QCOMPARE(fromX11, 112);
    // Every labelled key can be grabbed, but Fn: the kernel reports it above 255 if at all.
    for (quint32 code = 0; code < 128; ++code) {
        if (HotKeyShortcut::keyLabel(code) && code != 63)
            QVERIFY2(VirtualKeyMap::x11FromVirtualKey(code), qPrintable(QString::number(code)));
    }
    QCOMPARE(VirtualKeyMap::x11FromVirtualKey(63), std::nullopt);
    QCOMPARE(VirtualKeyMap::x11FromVirtualKey(0xFFFFFFFF), std::nullopt);
}

void TestVirtualKeyMap::modifierMasks_data()
{
    QTest::addColumn<quint32>("carbon");
    QTest::addColumn<quint16>("x11");

    QTest::newRow("none") << 0u << quint16(0);
    QTest::newRow("command is Super") << 0x100u << VirtualKeyMap::x11Mod4Mask;
    QTest::newRow("option is Alt") << 0x800u << VirtualKeyMap::x11Mod1Mask;
    QTest::newRow("all four") << 0x1B00u << quint16(0x4D);
}

void TestVirtualKeyMap::modifierMasks()
{
    QFETCH(quint32, carbon);
    QFETCH(quint16, x11);

    QCOMPARE(VirtualKeyMap::x11ModifiersFromCarbon(carbon), x11);
    QCOMPARE(VirtualKeyMap::carbonModifiersFromX11(x11), carbon);
    // Locks, Mod3, Mod5 (AltGr on many layouts) and pointer buttons are no shortcut modifiers.
    const quint16 ignored = VirtualKeyMap::x11LockMask | VirtualKeyMap::x11Mod2Mask | 0x20 | 0x80;
    QCOMPARE(VirtualKeyMap::carbonModifiersFromX11(x11 | ignored | 0x100), carbon);
}

void TestVirtualKeyMap::pressOnX11BecomesShortcut()
{
    // Super+Shift+K as an X11 key press arrives as key code 45.
    const auto virtualKey = VirtualKeyMap::virtualKeyFromX11(45);
    QVERIFY(virtualKey);
    const ShortcutKeyEvent event{
        ShortcutKeyEvent::modifierFlagsFrom(Qt::MetaModifier | Qt::ShiftModifier
                                            | Qt::KeypadModifier | Qt::GroupSwitchModifier),
        *virtualKey, u"K"_s};
    const auto shortcut = HotKeyShortcut::capture(event);
    QVERIFY(shortcut);
    QCOMPARE(*shortcut, (HotKeyShortcut{40, 0x300, u"⇧⌘K"_s}));
    QCOMPARE(VirtualKeyMap::x11FromVirtualKey(shortcut->keyCode), std::optional(45u));
    QCOMPARE(VirtualKeyMap::x11ModifiersFromCarbon(shortcut->carbonModifiers),
             quint16(VirtualKeyMap::x11Mod4Mask | VirtualKeyMap::x11ShiftMask));
}

QTEST_GUILESS_MAIN(TestVirtualKeyMap)
#include "tst_virtualkeymap.moc"
