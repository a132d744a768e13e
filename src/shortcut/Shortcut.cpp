#include "Shortcut.h"

#include "ShortcutKeyEvent.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QTextBoundaryFinder>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

struct KeyLabel
{
    quint32 keyCode;
    const char16_t *label;
};

// Used for keys whose typed text is not a single letter or digit. A key code without a row
// cannot be captured (Return 36, Caps Lock 57, the keypad operators among them).
constexpr KeyLabel keyLabels[] = {
    {0, u"A"},
    {1, u"S"},
    {2, u"D"},
    {3, u"F"},
    {4, u"H"},
    {5, u"G"},
    {6, u"Z"},
    {7, u"X"},
    {8, u"C"},
    {9, u"V"},
    {11, u"B"},
    {12, u"Q"},
    {13, u"W"},
    {14, u"E"},
    {15, u"R"},
    {16, u"Y"},
    {17, u"T"},
    {18, u"1"},
    {19, u"2"},
    {20, u"3"},
    {21, u"4"},
    {22, u"6"},
    {23, u"5"},
    {24, u"="},
    {25, u"9"},
    {26, u"7"},
    {27, u"-"},
    {28, u"8"},
    {29, u"0"},
    {30, u"]"},
    {31, u"O"},
    {32, u"U"},
    {33, u"["},
    {34, u"I"},
    {35, u"P"},
    {37, u"L"},
    {38, u"J"},
    {39, u"'"},
    {40, u"K"},
    {41, u";"},
    {42, u"\\"},
    {43, u","},
    {44, u"/"},
    {45, u"N"},
    {46, u"M"},
    {47, u"."},
    {48, u"⇥"},
    {49, u"Space"},
    {50, u"`"},
    {51, u"⌫"},
    {53, u"Esc"},
    {54, u"⌘"},
    {55, u"⌘"},
    {56, u"⇧"},
    {60, u"⇧"},
    {58, u"⌥"},
    {61, u"⌥"},
    {59, u"⌃"},
    {62, u"⌃"},
    {63, u"Fn"},
    {72, u"音量+"},
    {73, u"音量-"},
    {74, u"静音"},
    {76, u"↩"},
    {115, u"Home"},
    {116, u"PgUp"},
    {117, u"Del"},
    {119, u"End"},
    {121, u"PgDn"},
    {123, u"←"},
    {124, u"→"},
    {125, u"↓"},
    {126, u"↑"},
    // function keys by their standard key codes
    {122, u"F1"},
    {120, u"F2"},
    {99, u"F3"},
    {118, u"F4"},
    {96, u"F5"},
    {97, u"F6"},
    {98, u"F7"},
    {100, u"F8"},
    {101, u"F9"},
    {109, u"F10"},
    {103, u"F11"},
    {111, u"F12"},
    {105, u"F13"},
    {107, u"F14"},
    {113, u"F15"},
    {106, u"F16"},
    {64, u"F17"},
    {79, u"F18"},
    {80, u"F19"},
    {90, u"F20"},
};

// A JSON number that is exactly a quint32: 40 and 40.0 are, 40.5, -1 and 4294967296 are not.
std::optional<quint32> unsigned32(const QJsonValue &value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (!(number >= 0.0) || number > double(std::numeric_limits<quint32>::max())
        || std::trunc(number) != number) {
        return std::nullopt;
    }
    return quint32(number);
}

// Exactly one user-perceived character that is a letter or number, judged by its first code point.
bool isSingleLetterOrNumber(const QString &text)
{
    if (text.isEmpty())
        return false;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    if (graphemes.toNextBoundary() != text.size())
        return false;
    return QChar::isLetterOrNumber(text.toUcs4().constFirst());
}

} // namespace

bool Shortcut::isValid() const
{
    return keyCode != 0 && carbonModifiers != 0;
}

QByteArray Shortcut::toJson() const
{
    const QJsonObject object{
        {u"keyCode"_s, qint64(keyCode)},
        {u"carbonModifiers"_s, qint64(carbonModifiers)},
        {u"displayText"_s, displayText},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<Shortcut> Shortcut::fromJson(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const auto keyCode = unsigned32(object.value("keyCode"_L1));
    const auto carbonModifiers = unsigned32(object.value("carbonModifiers"_L1));
    const QJsonValue displayText = object.value("displayText"_L1);
    if (!keyCode || !carbonModifiers || !displayText.isString())
        return std::nullopt;
    return Shortcut{*keyCode, *carbonModifiers, displayText.toString()};
}

std::optional<Shortcut> Shortcut::capture(const ShortcutKeyEvent &event)
{
    quint32 modifiers = 0;
    if (event.modifierFlags & ShortcutKeyEvent::commandFlag)
        modifiers |= commandModifier;
    if (event.modifierFlags & ShortcutKeyEvent::shiftFlag)
        modifiers |= shiftModifier;
    if (event.modifierFlags & ShortcutKeyEvent::optionFlag)
        modifiers |= optionModifier;
    if (event.modifierFlags & ShortcutKeyEvent::controlFlag)
        modifiers |= controlModifier;
    if (modifiers == 0)
        return std::nullopt;

    // Letters and digits show what the user's layout types, so an AZERTY A reads "A".
    std::optional<QString> label;
    if (isSingleLetterOrNumber(event.charactersIgnoringModifiers))
        label = event.charactersIgnoringModifiers.toUpper();
    else
        label = keyLabel(event.keyCode);
    if (!label)
        return std::nullopt;
    return Shortcut{event.keyCode, modifiers, modifierSymbols(modifiers) + *label};
}

std::optional<QString> Shortcut::keyLabel(quint32 keyCode)
{
    for (const KeyLabel &entry : keyLabels) {
        if (entry.keyCode == keyCode)
            return QString::fromUtf16(entry.label);
    }
    return std::nullopt;
}

QString Shortcut::modifierSymbols(quint32 carbonModifiers)
{
    QString symbols;
    if (carbonModifiers & controlModifier)
        symbols += u'⌃';
    if (carbonModifiers & optionModifier)
        symbols += u'⌥';
    if (carbonModifiers & shiftModifier)
        symbols += u'⇧';
    if (carbonModifiers & commandModifier)
        symbols += u'⌘';
    return symbols;
}

QString displayText(const Shortcut &shortcut)
{
    const QString symbols = Shortcut::modifierSymbols(shortcut.carbonModifiers);
    // A text edited by hand that does not start with its modifiers' symbols is shown as it is.
    if (!shortcut.displayText.startsWith(symbols))
        return shortcut.displayText;
    static constexpr std::pair<char16_t, QStringView> names[] = {
        {u'⌃', u"Ctrl"}, {u'⌥', u"Alt"}, {u'⇧', u"Shift"}, {u'⌘', u"Super"}};
    const auto name = [](QStringView symbol) {
        for (const auto &[character, text] : names) {
            if (symbol.size() == 1 && symbol.front() == character)
                return text.toString();
        }
        return symbol.toString();
    };
    QStringList parts;
    for (const QChar symbol : symbols)
        parts.append(name(QStringView(&symbol, 1)));
    parts.append(name(QStringView(shortcut.displayText).sliced(symbols.size())));
    return parts.join(u'+');
}
