#include "preferences/HotKeyShortcut.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(HotKeyShortcut)
Q_DECLARE_METATYPE(std::optional<HotKeyShortcut>)

namespace {

QString describe(const std::optional<HotKeyShortcut> &shortcut)
{
    if (!shortcut)
        return u"none"_s;
    return u"{%1, 0x%2, \"%3\"}"_s.arg(shortcut->keyCode)
        .arg(shortcut->carbonModifiers, 0, 16)
        .arg(shortcut->displayText);
}

} // namespace

class HotKeyShortcutTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fromJson_data();
    void fromJson();
    void toJsonWritesExactlyThreeMembers_data();
    void toJsonWritesExactlyThreeMembers();
    void roundTrip_data() { toJsonWritesExactlyThreeMembers_data(); }
    void roundTrip();
    void toJsonWritesWholeNumbers();
    void isValid_data();
    void isValid();
    void equalityCoversAllFields();
    void displayTextFor_data();
    void displayTextFor();
};

void HotKeyShortcutTest::fromJson_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<std::optional<HotKeyShortcut>>("expected");

    const std::optional<HotKeyShortcut> none;
    const HotKeyShortcut commandShiftK{40, 0x300, u"⇧⌘K"_s};

    QTest::newRow("command shift K")
        << R"({"keyCode":40,"carbonModifiers":768,"displayText":"⇧⌘K"})"_ba
        << std::optional(commandShiftK);
    QTest::newRow("members in another order, with spaces")
        << "{ \"displayText\" : \"⇧⌘K\" , \"carbonModifiers\" : 768 , \"keyCode\" : 40 }"_ba
        << std::optional(commandShiftK);
    QTest::newRow("unknown members ignored")
        << R"({"keyCode":40,"version":2,"carbonModifiers":768,"extra":{"a":[1]},"displayText":"⇧⌘K"})"_ba
        << std::optional(commandShiftK);
    QTest::newRow("whole number written with a fraction")
        << R"({"keyCode":40.0,"carbonModifiers":7.68e2,"displayText":"⇧⌘K"})"_ba
        << std::optional(commandShiftK);
    QTest::newRow("A key and no modifiers still decode")
        << R"({"keyCode":0,"carbonModifiers":0,"displayText":"A"})"_ba
        << std::optional(HotKeyShortcut{0, 0, u"A"_s});
    QTest::newRow("largest unsigned 32-bit numbers")
        << R"({"keyCode":4294967295,"carbonModifiers":4294967295,"displayText":""})"_ba
        << std::optional(HotKeyShortcut{0xFFFFFFFF, 0xFFFFFFFF, QString()});
    QTest::newRow("escaped text")
        << R"({"keyCode":42,"carbonModifiers":4096,"displayText":"\u2303\\"})"_ba
        << std::optional(HotKeyShortcut{42, 0x1000, u"⌃\\"_s});

    QTest::newRow("no displayText") << R"({"keyCode":40,"carbonModifiers":768})"_ba << none;
    QTest::newRow("no keyCode") << R"({"carbonModifiers":768,"displayText":"⇧⌘K"})"_ba << none;
    QTest::newRow("no carbonModifiers") << R"({"keyCode":40,"displayText":"⇧⌘K"})"_ba << none;
    QTest::newRow("empty object") << "{}"_ba << none;
    QTest::newRow("keyCode as text")
        << R"({"keyCode":"40","carbonModifiers":768,"displayText":"⇧⌘K"})"_ba << none;
    QTest::newRow("carbonModifiers as boolean")
        << R"({"keyCode":40,"carbonModifiers":true,"displayText":"⇧⌘K"})"_ba << none;
    QTest::newRow("keyCode null")
        << R"({"keyCode":null,"carbonModifiers":768,"displayText":"⇧⌘K"})"_ba << none;
    QTest::newRow("displayText as number")
        << R"({"keyCode":40,"carbonModifiers":768,"displayText":40})"_ba << none;
    QTest::newRow("displayText as array")
        << R"({"keyCode":40,"carbonModifiers":768,"displayText":["⇧⌘K"]})"_ba << none;
    QTest::newRow("negative keyCode")
        << R"({"keyCode":-1,"carbonModifiers":768,"displayText":"⇧⌘K"})"_ba << none;
    QTest::newRow("negative carbonModifiers")
        << R"({"keyCode":40,"carbonModifiers":-768,"displayText":"⇧⌘K"})"_ba << none;
    QTest::newRow("fractional keyCode")
        << R"({"keyCode":40.5,"carbonModifiers":768,"displayText":"⇧⌘K"})"_ba << none;
    QTest::newRow("keyCode one past 32 bits")
        << R"({"keyCode":4294967296,"carbonModifiers":768,"displayText":"⇧⌘K"})"_ba << none;
    QTest::newRow("carbonModifiers far out of range")
        << R"({"keyCode":40,"carbonModifiers":1e300,"displayText":"⇧⌘K"})"_ba << none;
    QTest::newRow("keyCode beyond 64 bits")
        << R"({"keyCode":18446744073709551656,"carbonModifiers":768,"displayText":"⇧⌘K"})"_ba
        << none;
    QTest::newRow("members nested one level down")
        << R"({"hotKey":{"keyCode":40,"carbonModifiers":768,"displayText":"⇧⌘K"}})"_ba << none;
    QTest::newRow("array of the values") << R"([40,768,"⇧⌘K"])"_ba << none;
    QTest::newRow("array holding the object")
        << R"([{"keyCode":40,"carbonModifiers":768,"displayText":"⇧⌘K"}])"_ba << none;
    QTest::newRow("bare string") << R"("⇧⌘K")"_ba << none;
    QTest::newRow("bare number") << "40"_ba << none;
    QTest::newRow("null") << "null"_ba << none;
    QTest::newRow("empty data") << QByteArray() << none;
    QTest::newRow("not JSON") << "⇧⌘K"_ba << none;
    QTest::newRow("truncated object")
        << R"({"keyCode":40,"carbonModifiers":768,"displayT)"_ba << none;
    QTest::newRow("trailing garbage")
        << R"({"keyCode":40,"carbonModifiers":768,"displayText":"⇧⌘K"} x)"_ba << none;
    QTest::newRow("invalid UTF-8 in text")
        << "{\"keyCode\":40,\"carbonModifiers\":768,\"displayText\":\"\xff\xfe\"}"_ba << none;
    QTest::newRow("binary noise") << QByteArray("\x00\x01{\x02", 4) << none;
}

void HotKeyShortcutTest::fromJson()
{
    QFETCH(QByteArray, json);
    QFETCH(std::optional<HotKeyShortcut>, expected);

    QCOMPARE(describe(HotKeyShortcut::fromJson(json)), describe(expected));
    QCOMPARE(HotKeyShortcut::fromJson(json), expected);
}

void HotKeyShortcutTest::toJsonWritesExactlyThreeMembers_data()
{
    QTest::addColumn<HotKeyShortcut>("shortcut");

    QTest::newRow("command shift K") << HotKeyShortcut{40, 0x300, u"⇧⌘K"_s};
    QTest::newRow("all four modifiers on space") << HotKeyShortcut{49, 0x1B00, u"⌃⌥⇧⌘Space"_s};
    QTest::newRow("A key, not valid") << HotKeyShortcut{0, 0x100, u"⌘A"_s};
    QTest::newRow("nothing at all") << HotKeyShortcut{};
    QTest::newRow("largest numbers") << HotKeyShortcut{0xFFFFFFFF, 0xFFFFFFFF, u"x"_s};
    QTest::newRow("text needing escapes") << HotKeyShortcut{42, 0x1000, u"⌃\\ \"quoted\" \n/"_s};
    QTest::newRow("Chinese label") << HotKeyShortcut{72, 0x800, u"⌥音量+"_s};
}

void HotKeyShortcutTest::toJsonWritesExactlyThreeMembers()
{
    QFETCH(HotKeyShortcut, shortcut);

    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(shortcut.toJson(), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    QVERIFY(document.isObject());
    const QJsonObject object = document.object();
    QStringList keys = object.keys();
    keys.sort();
    QCOMPARE(keys, (QStringList{u"carbonModifiers"_s, u"displayText"_s, u"keyCode"_s}));
    QCOMPARE(object.value("keyCode"_L1).toInteger(-1), qint64(shortcut.keyCode));
    QCOMPARE(object.value("carbonModifiers"_L1).toInteger(-1), qint64(shortcut.carbonModifiers));
    QVERIFY(object.value("displayText"_L1).isString());
    QCOMPARE(object.value("displayText"_L1).toString(), shortcut.displayText);
}

void HotKeyShortcutTest::roundTrip()
{
    QFETCH(HotKeyShortcut, shortcut);

    QCOMPARE(HotKeyShortcut::fromJson(shortcut.toJson()), std::optional(shortcut));
}

void HotKeyShortcutTest::toJsonWritesWholeNumbers()
{
    // Written as integers, never in exponent form, so other readers see exact key codes.
    const QByteArray json = HotKeyShortcut{4000000000u, 768, u"x"_s}.toJson();
    QVERIFY2(json.contains("\"keyCode\":4000000000"), json.constData());
    QVERIFY2(json.contains("\"carbonModifiers\":768"), json.constData());
}

void HotKeyShortcutTest::isValid_data()
{
    QTest::addColumn<quint32>("keyCode");
    QTest::addColumn<quint32>("carbonModifiers");
    QTest::addColumn<bool>("valid");

    QTest::newRow("command shift K") << 40u << 0x300u << true;
    QTest::newRow("shift alone") << 40u << 0x200u << true;
    QTest::newRow("A key with command") << 0u << 0x100u << false;
    QTest::newRow("K without modifiers") << 40u << 0u << false;
    QTest::newRow("nothing") << 0u << 0u << false;
    QTest::newRow("unknown modifier bit") << 40u << 0x1u << true;
}

void HotKeyShortcutTest::isValid()
{
    QFETCH(quint32, keyCode);
    QFETCH(quint32, carbonModifiers);
    QFETCH(bool, valid);

    QCOMPARE((HotKeyShortcut{keyCode, carbonModifiers, u"text"_s}.isValid()), valid);
    QCOMPARE((HotKeyShortcut{keyCode, carbonModifiers, QString()}.isValid()), valid);
}

void HotKeyShortcutTest::equalityCoversAllFields()
{
    const HotKeyShortcut shortcut{40, 0x300, u"⇧⌘K"_s};
    QCOMPARE(shortcut, (HotKeyShortcut{40, 0x300, u"⇧⌘K"_s}));
    QVERIFY(shortcut != (HotKeyShortcut{40, 0x300, u"⌘⇧K"_s}));
    QVERIFY(shortcut != (HotKeyShortcut{41, 0x300, u"⇧⌘K"_s}));
    QVERIFY(shortcut != (HotKeyShortcut{40, 0x100, u"⇧⌘K"_s}));

    const QSet<HotKeyShortcut> set{shortcut, HotKeyShortcut{40, 0x300, u"⇧⌘K"_s},
                                   HotKeyShortcut{40, 0x300, u"K"_s}};
    QCOMPARE(set.size(), 2);
}

void HotKeyShortcutTest::displayTextFor_data()
{
    QTest::addColumn<HotKeyShortcut>("shortcut");
    QTest::addColumn<QString>("shown");

    QTest::newRow("stored symbols")
        << HotKeyShortcut{40, 0x1900, u"⌃⌥⌘K"_s} << u"Ctrl+Alt+Super+K"_s;
    QTest::newRow("shift super") << HotKeyShortcut{40, 0x300, u"⇧⌘K"_s} << u"Shift+Super+K"_s;
    QTest::newRow("modifier key as the key")
        << HotKeyShortcut{55, 0x1000, u"⌃⌘"_s} << u"Ctrl+Super"_s;
    QTest::newRow("text not of its modifiers") << HotKeyShortcut{40, 0x100, u"K"_s} << u"K"_s;
    QTest::newRow("empty") << HotKeyShortcut{} << QString();
}

void HotKeyShortcutTest::displayTextFor()
{
    QFETCH(HotKeyShortcut, shortcut);
    QFETCH(QString, shown);
    QCOMPARE(displayText(shortcut), shown);
}

QTEST_GUILESS_MAIN(HotKeyShortcutTest)
#include "tst_hotkeyshortcut.moc"
