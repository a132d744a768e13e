#include "shortcut/Shortcut.h"
#include "shortcut/ShortcutKeyEventTranslator.h"
#include "shortcut/VirtualKeyMap.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString describe(const std::optional<Shortcut> &s)
{
    return s ? u"%1 %2 %3"_s.arg(s->keyCode).arg(s->carbonModifiers, 0, 16).arg(s->displayText)
             : u"none"_s;
}

} // namespace

class TestShortcut : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A key press as the recorder gets it, offscreen: no X11 key code unless the event carries
    // one, and no keyboard layout to ask.
    void capture_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<quint32>("x11Key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // describe() of the result
        const int command = Qt::MetaModifier;
        const int commandShift = Qt::MetaModifier | Qt::ShiftModifier;
        const auto row = [](const char *name, int key, int modifiers, quint32 x11Key,
                            const QString &text, const QString &expected) {
            QTest::newRow(name) << key << modifiers << x11Key << text << expected;
        };
        row("by Qt key", Qt::Key_K, commandShift, 0, u"K"_s, u"40 300 ⇧⌘K"_s);
        row("by X11 key code; keypad and group are no modifiers", Qt::Key_K,
            commandShift | Qt::KeypadModifier | Qt::GroupSwitchModifier, 45, u"K"_s,
            u"40 300 ⇧⌘K"_s);
        // On AZERTY the key right of Tab types A but sits where Q is: the position decides.
        row("X11 key code wins over the Qt key", Qt::Key_A, Qt::ControlModifier, 24, u"a"_s,
            u"12 1000 ⌃A"_s);
        row("keypad 1", Qt::Key_1, Qt::AltModifier | Qt::KeypadModifier, 0, u"1"_s, u"83 800 ⌥1"_s);
        row("Shift+Tab arrives as Backtab", Qt::Key_Backtab, Qt::ShiftModifier, 0, {},
            u"48 200 ⇧⇥"_s);
        row("all four, in fixed symbol order", Qt::Key_A,
            commandShift | Qt::AltModifier | Qt::ControlModifier, 0, u"a"_s, u"0 1b00 ⌃⌥⇧⌘A"_s);
        row("label of the key", Qt::Key_F1, Qt::AltModifier, 0, {}, u"122 800 ⌥F1"_s);
        row("a launcher key has no code", Qt::Key_Launch0, command, 0, u"x"_s, u"none"_s);
        row("an X11 key code outside the table", Qt::Key_K, command, 255, u"k"_s, u"none"_s);
        // One letter or digit typed names the key; anything else falls back to its label.
        row("letter outside the BMP", Qt::Key_K, command, 0, u"𝐀"_s, u"40 100 ⌘𝐀"_s);
        row("letter with combining accent is one character", Qt::Key_E, command, 0, u"e\u0301"_s,
            u"14 100 ⌘E\u0301"_s);
        row("a shifted digit falls back to the key", Qt::Key_2, commandShift, 0, u"@"_s,
            u"19 300 ⇧⌘2"_s);
    }

    void capture()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(quint32, x11Key);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const QKeyEvent event(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), x11Key, 0, 0,
                              text);
        const auto translated = ShortcutKeyEventTranslator::translate(event);
        QCOMPARE(describe(translated ? Shortcut::capture(*translated) : std::nullopt), expected);
    }

    // A stored shortcut is read back exactly or not at all, shown by its Linux names, and written
    // in the same form.
    void fromJson_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("expected"); // describe() of the result, then how it is shown

        QTest::newRow("⌃⌥⌘K as stored by every earlier version")
            << R"({"keyCode":40,"carbonModifiers":6400,"displayText":"⌃⌥⌘K"})"_ba
            << u"40 1900 ⌃⌥⌘K: Ctrl+Alt+Super+K"_s;
        QTest::newRow("other order, unknown members ignored")
            << R"({"displayText":"⌃⌘","version":2,"carbonModifiers":4096,"keyCode":55})"_ba
            << u"55 1000 ⌃⌘: Ctrl+Super"_s;
        QTest::newRow("whole numbers written with a fraction")
            << R"({"keyCode":40.0,"carbonModifiers":2.56e2,"displayText":"K"})"_ba
            << u"40 100 K: K"_s;
        QTest::newRow("largest unsigned 32-bit numbers")
            << R"({"keyCode":4294967295,"carbonModifiers":4294967295,"displayText":""})"_ba
            << u"4294967295 ffffffff : "_s;
        const auto none = [](const char *name, const QByteArray &json) {
            QTest::newRow(name) << json << u"none"_s;
        };
        none("no displayText", R"({"keyCode":40,"carbonModifiers":768})"_ba);
        none("keyCode as text", R"({"keyCode":"40","carbonModifiers":768,"displayText":"K"})"_ba);
        none("negative", R"({"keyCode":40,"carbonModifiers":-768,"displayText":"K"})"_ba);
        none("fractional", R"({"keyCode":40.5,"carbonModifiers":768,"displayText":"K"})"_ba);
        none("one past 32 bits",
             R"({"keyCode":4294967296,"carbonModifiers":768,"displayText":"K"})"_ba);
        none("truncated", "{\"keyCode\":40,\"carbonModifiers\":768,\"displayT"_ba);
    }

    void fromJson()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, expected);
        const std::optional<Shortcut> shortcut = Shortcut::fromJson(json);
        QCOMPARE(shortcut ? QString(describe(shortcut) + u": "_s + displayText(*shortcut))
                          : u"none"_s,
                 expected);
        if (shortcut) {
            const QByteArray written = shortcut->toJson();
            QCOMPARE(Shortcut::fromJson(written), shortcut);
            QCOMPARE(QJsonDocument::fromJson(written).object().size(), 3);
            // Whole numbers, never in exponent form, so other readers see exact key codes.
            QVERIFY(written.contains(
                QByteArray("\"keyCode\":" + QByteArray::number(shortcut->keyCode))));
        }
    }

    // The keys of a US keyboard, by their X11 key codes, reach their labels.
    void usKeyboard()
    {
        QList<std::pair<quint32, QString>> keys;
        // Rows AE, AD, AC (with TLDE) and AB, then the function keys.
        const std::pair<quint32, QString> rows[] = {{10, u"1234567890-="_s},
                                                    {24, u"QWERTYUIOP[]"_s},
                                                    {38, u"ASDFGHJKL;'`"_s},
                                                    {52, u"ZXCVBNM,./"_s}};
        for (const auto &[first, row] : rows) {
            for (int i = 0; i < row.size(); ++i)
                keys.append({first + i, row.mid(i, 1)});
        }
        for (quint32 i = 1; i <= 20; ++i)
            keys.append({i <= 10 ? 66 + i : i <= 12 ? 84 + i : 178 + i, u"F%1"_s.arg(i)});
        for (const auto &[x11, label] : keys) {
            const auto virtualKey = VirtualKeyMap::virtualKeyFromX11(x11);
            QCOMPARE(virtualKey ? Shortcut::keyLabel(*virtualKey) : std::nullopt,
                     std::optional(label));
        }
    }

    void mapsBothWaysAlike()
    {
        for (quint32 x11 = 0; x11 < 512; ++x11) {
            if (const auto virtualKey = VirtualKeyMap::virtualKeyFromX11(x11)) {
                QVERIFY2(x11 >= 8 && x11 <= 255, qPrintable(QString::number(x11)));
                QCOMPARE(VirtualKeyMap::x11FromVirtualKey(*virtualKey), std::optional(x11));
            }
        }
        // Every labelled key can be grabbed, but Fn: the kernel reports it above 255 if at all.
        for (quint32 code = 0; code < 128; ++code) {
            if (Shortcut::keyLabel(code) && code != 63)
                QVERIFY2(VirtualKeyMap::x11FromVirtualKey(code), qPrintable(QString::number(code)));
        }
        QCOMPARE(VirtualKeyMap::x11FromVirtualKey(63), std::nullopt);
        QCOMPARE(VirtualKeyMap::x11FromVirtualKey(0xFFFFFFFF), std::nullopt);
        // A key found by its Qt key, where no X11 key code came with the press, can be grabbed too.
        for (int key = 0x20; key <= Qt::Key_Escape + 0xff;
             key = key == 0x7e ? Qt::Key_Escape : key + 1) {
            for (const bool keypad : {false, true}) {
                const auto code = ShortcutKeyEventTranslator::virtualKeyFromQtKey(key, keypad);
                QVERIFY2(!code || VirtualKeyMap::x11FromVirtualKey(*code),
                         qPrintable(QString::number(key, 16)));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestShortcut)
#include "tst_shortcut.moc"
