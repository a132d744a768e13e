#include "X11TestClient.h"

#include "shortcut/Shortcut.h"
#include "shortcut/ShortcutKeyEventTranslator.h"
#include "shortcut/X11KeyboardLayout.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QTest>

using namespace Qt::StringLiterals;

// Under Xvfb's US keyboard, where Qt reports X11 key codes.
class TestX11KeyboardLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The label is what the key types in the active layout, with no modifier applied.
    void labelOfAPress_data()
    {
        QTest::addColumn<quint32>("keysym"); // on K in the second layout
        QTest::addColumn<quint8>("group");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<quint32>("x11Key");
        QTest::addColumn<QString>("text"); // as Qt gives it, modifiers applied
        QTest::addColumn<QString>("expected"); // the key's text, then the shortcut's
        const int commandShift = Qt::MetaModifier | Qt::ShiftModifier;
        const auto onK = [&](const char *name, quint32 keysym, quint8 group,
                             const QString &expected) {
            QTest::newRow(name) << keysym << group << commandShift << 45u << QString() << expected;
        };
        onK("us layout", 0x100043b, 0, u"k ⇧⌘K"_s);
        onK("ru layout, a Unicode keysym", 0x100043b, 1, u"л ⇧⌘Л"_s);
        onK("Latin-1 keysym", 0xe9, 1, u"é ⇧⌘É"_s);
        onK("a character beyond the BMP, no letter", 0x101f600, 1, u"😀 ⇧⌘K"_s);
        onK("a keysym of no character", 0xff0d, 1, u" ⇧⌘K"_s);
        QTest::newRow("Control+K types a control character")
            << 0u << quint8(0) << int(Qt::ControlModifier) << 45u << u"\x0b"_s << u"k ⌃K"_s;
        QTest::newRow("Shift+1 reads 1, not !")
            << 0u << quint8(0) << int(Qt::ShiftModifier) << 10u << u"!"_s << u"1 ⇧1"_s;
        QTest::newRow("keypad 1 with Num Lock off")
            << 0u << quint8(0) << int(Qt::AltModifier | Qt::KeypadModifier) << 87u << QString()
            << u"1 ⌥1"_s;
    }

    void labelOfAPress()
    {
        QFETCH(quint32, keysym);
        QFETCH(quint8, group);
        QFETCH(int, modifiers);
        QFETCH(quint32, x11Key);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(QGuiApplication::platformName(), u"xcb"_s);
        X11TestClient client;
        QVERIFY(client.isConnected());
        // Two layouts on the K key: the core mapping's columns 3 and 4 are group 2.
        client.setKeysyms(X11TestClient::kKey, {0x6b, 0x4b, keysym, keysym});
        client.lockGroup(group);

        const auto translated = ShortcutKeyEventTranslator::translate(
            QKeyEvent(QEvent::KeyPress, Qt::Key_unknown, Qt::KeyboardModifiers(modifiers), x11Key,
                      0, 0, text));
        QVERIFY(translated);
        const auto shortcut = Shortcut::capture(*translated);
        QVERIFY(shortcut);
        QCOMPARE(QString(translated->charactersIgnoringModifiers + u' ' + shortcut->displayText),
                 expected);
    }
};

QTEST_MAIN(TestX11KeyboardLayout)
#include "tst_x11keyboardlayout.moc"
