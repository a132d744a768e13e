#include "X11TestClient.h"

#include "preferences/HotKeyShortcut.h"
#include "preferences/ShortcutKeyEventTranslator.h"
#include "preferences/X11KeyboardLayout.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::optional<QString>)

// Under Xvfb's US keyboard, where Qt reports X11 key codes.
class TestX11KeyboardLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keysymText_data()
    {
        QTest::addColumn<quint32>("keysym");
        QTest::addColumn<std::optional<QString>>("text");
        QTest::newRow("k") << 0x6bu << std::optional(u"k"_s);
        QTest::newRow("Cyrillic el as a Unicode keysym") << 0x100043bu << std::optional(u"л"_s);
        QTest::newRow("a character beyond the BMP") << 0x101f600u << std::optional(u"😀"_s);
        QTest::newRow("keypad 7") << 0xffb7u << std::optional(u"7"_s);
        QTest::newRow("Return") << 0xff0du << std::optional<QString>();
        QTest::newRow("a control character") << 0x1fu << std::optional<QString>();
        QTest::newRow("beyond Unicode") << 0x1110000u << std::optional<QString>();
    }

    void keysymText()
    {
        QFETCH(quint32, keysym);
        QFETCH(std::optional<QString>, text);
        QCOMPARE(X11KeyboardLayout::keysymText(keysym), text);
        QCOMPARE(X11KeyboardLayout::unmodifiedText(300), std::nullopt); // beyond X11 key codes
    }

    // The label is what the key types in the active layout, with no modifier applied.
    void labelOfAPress_data()
    {
        QTest::addColumn<quint8>("group");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<quint32>("x11Key");
        QTest::addColumn<QString>("text"); // as Qt gives it, modifiers applied
        QTest::addColumn<QString>("expected"); // the key's text, then the shortcut's
        const int commandShift = Qt::MetaModifier | Qt::ShiftModifier;
        QTest::newRow("us layout") << quint8(0) << commandShift << 45u << QString() << u"k ⇧⌘K"_s;
        QTest::newRow("ru layout") << quint8(1) << commandShift << 45u << QString() << u"л ⇧⌘Л"_s;
        QTest::newRow("Control+K types a control character")
            << quint8(0) << int(Qt::ControlModifier) << 45u << u"\x0b"_s << u"k ⌃K"_s;
        QTest::newRow("Shift+1 reads 1, not !")
            << quint8(0) << int(Qt::ShiftModifier) << 10u << u"!"_s << u"1 ⇧1"_s;
        QTest::newRow("keypad 1 with Num Lock off")
            << quint8(0) << int(Qt::AltModifier | Qt::KeypadModifier) << 87u << QString()
            << u"1 ⌥1"_s;
    }

    void labelOfAPress()
    {
        QFETCH(quint8, group);
        QFETCH(int, modifiers);
        QFETCH(quint32, x11Key);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(QGuiApplication::platformName(), u"xcb"_s);
        X11TestClient client;
        QVERIFY(client.isConnected());
        // Two layouts on the K key, us and ru: the core mapping's columns 3 and 4 are group 2.
        client.setKeysyms(X11TestClient::kKey, {0x6b, 0x4b, 0x100043b, 0x100041b});
        client.lockGroup(group);

        const auto translated = ShortcutKeyEventTranslator::translate(
            QKeyEvent(QEvent::KeyPress, Qt::Key_unknown, Qt::KeyboardModifiers(modifiers), x11Key,
                      0, 0, text));
        QVERIFY(translated);
        const auto shortcut = HotKeyShortcut::capture(*translated);
        QVERIFY(shortcut);
        QCOMPARE(QString(translated->charactersIgnoringModifiers + u' ' + shortcut->displayText),
                 expected);
    }
};

QTEST_MAIN(TestX11KeyboardLayout)
#include "tst_x11keyboardlayout.moc"
