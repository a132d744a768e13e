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
    void labelFollowsTheLayout();

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
    QTest::newRow("space") << 0x20u << std::optional(u" "_s);
    QTest::newRow("tilde, last of ASCII") << 0x7eu << std::optional(u"~"_s);
    QTest::newRow("e acute, Latin-1") << 0xe9u << std::optional(u"é"_s);
    QTest::newRow("Cyrillic el as a Unicode keysym") << 0x100043bu << std::optional(u"л"_s);
    QTest::newRow("a character beyond the BMP") << 0x101f600u << std::optional(u"😀"_s);
    QTest::newRow("keypad 7") << 0xffb7u << std::optional(u"7"_s);
    QTest::newRow("Return") << 0xff0du << std::optional<QString>();
    QTest::newRow("a control character") << 0x1fu << std::optional<QString>();
    QTest::newRow("DEL") << 0x7fu << std::optional<QString>();
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
    QTest::newRow("F1") << 67u << std::optional<QString>();
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

void TestX11KeyboardLayout::labelFollowsTheLayout()
{
    const std::vector<xcb_keysym_t> original = client->keysyms(X11TestClient::kKey);
    QVERIFY(!original.empty());
    client->setKeysyms(X11TestClient::kKey,
                       std::vector<xcb_keysym_t>(original.size(), 0x100043b)); // л

    const QKeyEvent event(QEvent::KeyPress, Qt::Key_K, Qt::MetaModifier | Qt::ShiftModifier, 45, 0,
                          0, u"Л"_s);
    const auto translated = ShortcutKeyEventTranslator::translate(event);
    client->setKeysyms(X11TestClient::kKey, original);

    QVERIFY(translated);
    QCOMPARE(translated->charactersIgnoringModifiers, u"л"_s);
    QCOMPARE(HotKeyShortcut::capture(*translated),
             (HotKeyShortcut{40, HotKeyShortcut::shiftModifier | HotKeyShortcut::commandModifier,
                             u"⇧⌘Л"_s}));
}

QTEST_MAIN(TestX11KeyboardLayout)
#include "tst_x11keyboardlayout.moc"
