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
    void initTestCase();
    void keysymText_data();
    void keysymText();
    void unmodifiedText_data();
    void unmodifiedText();
    void controlDoesNotChangeTheLabel();
    void labelFollowsTheActiveGroup_data();
    void labelFollowsTheActiveGroup();

private:
    std::unique_ptr<X11TestClient> client;
};

void TestX11KeyboardLayout::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), u"xcb"_s);
    client = std::make_unique<X11TestClient>();
    QVERIFY(client->isConnected());
}

void TestX11KeyboardLayout::keysymText_data()
{
    QTest::addColumn<quint32>("keysym");
    QTest::addColumn<std::optional<QString>>("text");
    QTest::newRow("k") << 0x6bu << std::optional(u"k"_s);
    QTest::newRow("tilde, last of ASCII") << 0x7eu << std::optional(u"~"_s);
    QTest::newRow("Cyrillic el as a Unicode keysym") << 0x100043bu << std::optional(u"л"_s);
    QTest::newRow("a character beyond the BMP") << 0x101f600u << std::optional(u"😀"_s);
    QTest::newRow("keypad 7") << 0xffb7u << std::optional(u"7"_s);
    QTest::newRow("Return") << 0xff0du << std::optional<QString>();
    QTest::newRow("a control character") << 0x1fu << std::optional<QString>();
    QTest::newRow("beyond Unicode") << 0x1110000u << std::optional<QString>();
}

void TestX11KeyboardLayout::keysymText()
{
    QFETCH(quint32, keysym);
    QFETCH(std::optional<QString>, text);
    QCOMPARE(X11KeyboardLayout::keysymText(keysym), text);
}

void TestX11KeyboardLayout::unmodifiedText_data()
{
    QTest::addColumn<quint32>("keycode");
    QTest::addColumn<std::optional<QString>>("text");
    QTest::newRow("K") << 45u << std::optional(u"k"_s);
    QTest::newRow("1, not its shifted !") << 10u << std::optional(u"1"_s);
    QTest::newRow("keypad 1 with Num Lock off") << 87u << std::optional(u"1"_s);
    QTest::newRow("Return") << 36u << std::optional<QString>();
    QTest::newRow("beyond X11 key codes") << 300u << std::optional<QString>();
}

void TestX11KeyboardLayout::unmodifiedText()
{
    QFETCH(quint32, keycode);
    QFETCH(std::optional<QString>, text);
    QCOMPARE(X11KeyboardLayout::unmodifiedText(keycode), text);
}

void TestX11KeyboardLayout::controlDoesNotChangeTheLabel()
{
    // Qt's text for Control+K is a control character.
    const QKeyEvent event(QEvent::KeyPress, Qt::Key_K, Qt::ControlModifier, 45, 0x6b, 0, u"\x0b"_s);
    const auto translated = ShortcutKeyEventTranslator::translate(event);
    QVERIFY(translated);
    QCOMPARE(translated->charactersIgnoringModifiers, u"k"_s);
    QCOMPARE(HotKeyShortcut::capture(*translated),
             (HotKeyShortcut{40, HotKeyShortcut::controlModifier, u"⌃K"_s}));
}

void TestX11KeyboardLayout::labelFollowsTheActiveGroup_data()
{
    QTest::addColumn<quint8>("group");
    QTest::addColumn<QString>("label");
    QTest::newRow("first layout") << quint8(0) << u"⇧⌘K"_s;
    QTest::newRow("second layout") << quint8(1) << u"⇧⌘Л"_s;
}

void TestX11KeyboardLayout::labelFollowsTheActiveGroup()
{
    QFETCH(quint8, group);
    QFETCH(QString, label);
    // Two layouts on the K key, us and ru: the core mapping's columns 3 and 4 are group 2.
    const std::vector<xcb_keysym_t> original = client->keysyms(X11TestClient::kKey);
    QVERIFY(original.size() >= 4);
    std::vector<xcb_keysym_t> twoGroups(original.size(), 0);
    twoGroups[0] = 0x6b;
    twoGroups[1] = 0x4b;
    twoGroups[2] = 0x100043b; // л
    twoGroups[3] = 0x100041b; // Л
    client->setKeysyms(X11TestClient::kKey, twoGroups);
    client->lockGroup(group);

    const QKeyEvent event(QEvent::KeyPress, Qt::Key_K, Qt::MetaModifier | Qt::ShiftModifier, 45, 0,
                          0, QString());
    const auto translated = ShortcutKeyEventTranslator::translate(event);
    client->lockGroup(0);
    client->setKeysyms(X11TestClient::kKey, original);

    QVERIFY(translated);
    QCOMPARE(HotKeyShortcut::capture(*translated),
             (HotKeyShortcut{40, HotKeyShortcut::shiftModifier | HotKeyShortcut::commandModifier,
                             label}));
}

QTEST_MAIN(TestX11KeyboardLayout)
#include "tst_x11keyboardlayout.moc"
