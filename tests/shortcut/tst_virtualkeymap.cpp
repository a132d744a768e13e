#include "shortcut/Shortcut.h"
#include "shortcut/ShortcutKeyEventTranslator.h"
#include "shortcut/VirtualKeyMap.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestVirtualKeyMap : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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

QTEST_GUILESS_MAIN(TestVirtualKeyMap)
#include "tst_virtualkeymap.moc"
