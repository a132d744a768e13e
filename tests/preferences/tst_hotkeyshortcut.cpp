#include "preferences/HotKeyShortcut.h"
#include "preferences/ShortcutKeyEvent.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(HotKeyShortcut)
Q_DECLARE_METATYPE(std::optional<HotKeyShortcut>)

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

class TestHotKeyShortcut : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void capture_data();
    void capture();
    void fromJson_data();
    void fromJson();
    void toJsonRoundTrips_data();
    void toJsonRoundTrips();
    void isValid();
    void displayTextFor_data();
    void displayTextFor();
};

void TestHotKeyShortcut::capture_data()
{
    QTest::addColumn<quint32>("flags");
    QTest::addColumn<quint32>("keyCode");
    QTest::addColumn<QString>("characters");
    QTest::addColumn<QString>("expected"); // describe() of the result

    QTest::newRow("command shift K on US layout")
        << (command | shift) << 40u << u"k"_s << u"{40, 0x300, \"⇧⌘K\"}"_s;
    QTest::newRow("all four in fixed symbol order")
        << (command | shift | option | control) << 0u << u"a"_s << u"{0, 0x1b00, \"⌃⌥⇧⌘A\"}"_s;
    QTest::newRow("shift alone is accepted") << shift << 40u << u"K"_s << u"{40, 0x200, \"⇧K\"}"_s;
    QTest::newRow("no modifier") << 0u << 40u << u"k"_s << u"none"_s;
    QTest::newRow("no modifier on F1") << 0u << 122u << f1Characters << u"none"_s;
    QTest::newRow("caps lock does not count") << capsLockFlag << 40u << u"k"_s << u"none"_s;
    QTest::newRow("function and keypad flags do not count")
        << (functionFlag | numericPadFlag) << 123u << leftArrowCharacters << u"none"_s;
    QTest::newRow("caps lock beside command is dropped")
        << (command | capsLockFlag) << 40u << u"k"_s << u"{40, 0x100, \"⌘K\"}"_s;

    QTest::newRow("option F1") << option << 122u << f1Characters << u"{122, 0x800, \"⌥F1\"}"_s;
    QTest::newRow("F20") << control << 90u << f1Characters << u"{90, 0x1000, \"⌃F20\"}"_s;
    QTest::newRow("return") << command << 36u << u"\r"_s << u"none"_s;
    QTest::newRow("keypad enter has the return label")
        << command << 76u << u"\x03"_s << u"{76, 0x100, \"⌘↩\"}"_s;
    QTest::newRow("caps lock key") << command << 57u << QString() << u"none"_s;
    QTest::newRow("help key") << command << 114u << QString() << u"none"_s;
    QTest::newRow("keypad plus") << command << 69u << u"+"_s << u"none"_s;
    QTest::newRow("keypad digit labelled by its digit")
        << command << 83u << u"1"_s << u"{83, 0x100, \"⌘1\"}"_s;
    QTest::newRow("unknown key code typing a letter")
        << command << 200u << u"q"_s << u"{200, 0x100, \"⌘Q\"}"_s;
    QTest::newRow("unknown key code typing nothing") << command << 200u << QString() << u"none"_s;
    QTest::newRow("largest key code") << command << 0xFFFFFFFFu << u"\x01"_s << u"none"_s;

    // the layout's character wins over the key's US position
    QTest::newRow("AZERTY A on the US Q key")
        << command << 12u << u"a"_s << u"{12, 0x100, \"⌘A\"}"_s;
    QTest::newRow("Cyrillic letter") << command << 40u << u"л"_s << u"{40, 0x100, \"⌘Л\"}"_s;
    QTest::newRow("letter outside the BMP") << command << 40u << u"𝐀"_s << u"{40, 0x100, \"⌘𝐀\"}"_s;
    QTest::newRow("sharp s upper-cases to SS")
        << command << 27u << u"ß"_s << u"{27, 0x100, \"⌘SS\"}"_s;
    QTest::newRow("letter with combining accent is one character")
        << command << 14u << u"e\u0301"_s << u"{14, 0x100, \"⌘E\u0301\"}"_s;
    QTest::newRow("two letters fall back to the table")
        << command << 40u << u"kk"_s << u"{40, 0x100, \"⌘K\"}"_s;
    QTest::newRow("shifted digit uses the table")
        << (command | shift) << 19u << u"@"_s << u"{19, 0x300, \"⇧⌘2\"}"_s;
    QTest::newRow("AZERTY punctuation on a letter key")
        << command << 46u << u","_s << u"{46, 0x100, \"⌘M\"}"_s;
    QTest::newRow("left arrow") << control << 123u << leftArrowCharacters
                                << u"{123, 0x1000, \"⌃←\"}"_s;
    QTest::newRow("right command key") << shift << 54u << QString() << u"{54, 0x200, \"⇧⌘\"}"_s;
}

void TestHotKeyShortcut::capture()
{
    QFETCH(quint32, flags);
    QFETCH(quint32, keyCode);
    QFETCH(QString, characters);
    QFETCH(QString, expected);

    QCOMPARE(describe(HotKeyShortcut::capture({flags, keyCode, characters})), expected);
}

void TestHotKeyShortcut::fromJson_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<std::optional<HotKeyShortcut>>("expected");

    const std::optional<HotKeyShortcut> none;
    const std::optional commandShiftK(HotKeyShortcut{40, 0x300, u"⇧⌘K"_s});

    QTest::newRow("command shift K")
        << R"({"keyCode":40,"carbonModifiers":768,"displayText":"⇧⌘K"})"_ba << commandShiftK;
    QTest::newRow("other order, unknown members ignored")
        << R"({"displayText":"⇧⌘K","version":2,"carbonModifiers":768,"keyCode":40})"_ba
        << commandShiftK;
    QTest::newRow("whole number written with a fraction")
        << R"({"keyCode":40.0,"carbonModifiers":7.68e2,"displayText":"⇧⌘K"})"_ba << commandShiftK;
    QTest::newRow("largest unsigned 32-bit numbers")
        << R"({"keyCode":4294967295,"carbonModifiers":4294967295,"displayText":""})"_ba
        << std::optional(HotKeyShortcut{0xFFFFFFFF, 0xFFFFFFFF, QString()});

    QTest::newRow("no displayText") << R"({"keyCode":40,"carbonModifiers":768})"_ba << none;
    QTest::newRow("keyCode as text")
        << R"({"keyCode":"40","carbonModifiers":768,"displayText":"⇧⌘K"})"_ba << none;
    QTest::newRow("displayText as number")
        << R"({"keyCode":40,"carbonModifiers":768,"displayText":40})"_ba << none;
    QTest::newRow("negative carbonModifiers")
        << R"({"keyCode":40,"carbonModifiers":-768,"displayText":"⇧⌘K"})"_ba << none;
    QTest::newRow("fractional keyCode")
        << R"({"keyCode":40.5,"carbonModifiers":768,"displayText":"⇧⌘K"})"_ba << none;
    QTest::newRow("keyCode one past 32 bits")
        << R"({"keyCode":4294967296,"carbonModifiers":768,"displayText":"⇧⌘K"})"_ba << none;
    QTest::newRow("carbonModifiers far out of range")
        << R"({"keyCode":40,"carbonModifiers":1e300,"displayText":"⇧⌘K"})"_ba << none;
    QTest::newRow("members nested one level down")
        << R"({"hotKey":{"keyCode":40,"carbonModifiers":768,"displayText":"⇧⌘K"}})"_ba << none;
    QTest::newRow("array of the values") << R"([40,768,"⇧⌘K"])"_ba << none;
    QTest::newRow("empty data") << QByteArray() << none;
    QTest::newRow("truncated object")
        << R"({"keyCode":40,"carbonModifiers":768,"displayT)"_ba << none;
    QTest::newRow("invalid UTF-8 in text")
        << "{\"keyCode\":40,\"carbonModifiers\":768,\"displayText\":\"\xff\xfe\"}"_ba << none;
    QTest::newRow("binary noise") << QByteArray("\x00\x01{\x02", 4) << none;
}

void TestHotKeyShortcut::fromJson()
{
    QFETCH(QByteArray, json);
    QFETCH(std::optional<HotKeyShortcut>, expected);

    QCOMPARE(describe(HotKeyShortcut::fromJson(json)), describe(expected));
}

void TestHotKeyShortcut::toJsonRoundTrips_data()
{
    QTest::addColumn<HotKeyShortcut>("shortcut");

    QTest::newRow("command shift K") << HotKeyShortcut{40, 0x300, u"⇧⌘K"_s};
    QTest::newRow("nothing at all") << HotKeyShortcut{};
    QTest::newRow("largest numbers") << HotKeyShortcut{0xFFFFFFFF, 0xFFFFFFFF, u"x"_s};
    QTest::newRow("text needing escapes") << HotKeyShortcut{42, 0x1000, u"⌃\\ \"quoted\" \n/"_s};
}

void TestHotKeyShortcut::toJsonRoundTrips()
{
    QFETCH(HotKeyShortcut, shortcut);

    const QByteArray json = shortcut.toJson();
    QCOMPARE(HotKeyShortcut::fromJson(json), std::optional(shortcut));
    QStringList keys = QJsonDocument::fromJson(json).object().keys();
    keys.sort();
    QCOMPARE(keys, (QStringList{u"carbonModifiers"_s, u"displayText"_s, u"keyCode"_s}));
    // Whole numbers, never in exponent form, so other readers see exact key codes.
    QVERIFY2(json.contains(u"\"keyCode\":%1"_s.arg(shortcut.keyCode).toUtf8()), json.constData());
}

void TestHotKeyShortcut::isValid()
{
    QVERIFY((HotKeyShortcut{40, 0x200, QString()}.isValid()));
    QVERIFY((HotKeyShortcut{40, 0x1, u"text"_s}.isValid()));
    QVERIFY(!(HotKeyShortcut{0, 0x100, u"⌘A"_s}.isValid()));
    QVERIFY(!(HotKeyShortcut{40, 0, u"K"_s}.isValid()));
}

void TestHotKeyShortcut::displayTextFor_data()
{
    QTest::addColumn<HotKeyShortcut>("shortcut");
    QTest::addColumn<QString>("shown");

    QTest::newRow("stored symbols")
        << HotKeyShortcut{40, 0x1900, u"⌃⌥⌘K"_s} << u"Ctrl+Alt+Super+K"_s;
    QTest::newRow("modifier key as the key")
        << HotKeyShortcut{55, 0x1000, u"⌃⌘"_s} << u"Ctrl+Super"_s;
    QTest::newRow("text not of its modifiers") << HotKeyShortcut{40, 0x100, u"K"_s} << u"K"_s;
    QTest::newRow("empty") << HotKeyShortcut{} << QString();
}

void TestHotKeyShortcut::displayTextFor()
{
    QFETCH(HotKeyShortcut, shortcut);
    QFETCH(QString, shown);
    QCOMPARE(displayText(shortcut), shown);
}

QTEST_GUILESS_MAIN(TestHotKeyShortcut)
#include "tst_hotkeyshortcut.moc"
