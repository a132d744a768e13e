#include "preferences/HotKeyRecorderField.h"
#include "shared/AppTheme.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::optional<HotKeyShortcut>)

namespace {

using Captures = QList<std::optional<HotKeyShortcut>>;

constexpr quint32 control = HotKeyShortcut::controlModifier;
constexpr quint32 option = HotKeyShortcut::optionModifier;
constexpr quint32 command = HotKeyShortcut::commandModifier;
constexpr quint32 shift = HotKeyShortcut::shiftModifier;

const HotKeyShortcut controlOptionCommandK{40, control | option | command, u"⌃⌥⌘K"_s};

QColor withOpacity(QColor color, qreal opacity)
{
    color.setAlphaF(color.alphaF() * opacity);
    return color;
}

// The field's owner: keeps the shortcut, shows its text, and notes the keys that reach it.
class Owner : public QWidget
{
public:
    Owner()
    {
        auto *layout = new QVBoxLayout(this);
        edit = new QLineEdit(this);
        field = new HotKeyRecorderField(this);
        layout->addWidget(edit);
        layout->addWidget(field);
        field->setBeep([this] { ++beeps; });
        field->setOnCapture([this](const std::optional<HotKeyShortcut> &captured) {
            captures.append(captured);
            setShortcut(captured);
        });
    }

    void setShortcut(const std::optional<HotKeyShortcut> &value)
    {
        shortcut = value;
        field->setShortcutText(shortcut ? shortcut->displayText
                                        : HotKeyRecorderField::emptyShortcutText.toString());
    }

    QLineEdit *edit;
    HotKeyRecorderField *field;
    std::optional<HotKeyShortcut> shortcut;
    Captures captures;
    int beeps = 0;
    QList<int> keysReceived;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        // QTest presses the modifiers of a key click first.
        static const QList<int> modifierKeys{Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt,
                                             Qt::Key_Meta};
        if (!modifierKeys.contains(event->key()))
            keysReceived.append(event->key());
    }
};

// To whatever has the keyboard focus, as the keyboard would.
void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(static_cast<QWidget *>(nullptr), key, modifiers);
}

} // namespace

class TestHotKeyRecorderField : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void clickStartsRecordingAndTakesTheFocus();
    void keyWhileRecording_data();
    void keyWhileRecording();
    void escapeKeepsThePreviousShortcut();
    void deleteClearsAndShowsThePlaceholderFaint();
    void modifierKeysAloneKeepRecordingSilently();
    void windowShortcutsDoNotTakeTheRecordedKey();
    void keysWhileNotRecordingArePassedOn();
    void ownerEndingTheRecordingReleasesTheKeys();
    void colours_data();
    void colours();
    void isAtLeast28High();

private:
    void startRecording();

    std::unique_ptr<Owner> owner;
};

void TestHotKeyRecorderField::initTestCase()
{
    AppTheme::setSystemAppearanceSource([] { return false; });
    AppTheme::setAppearanceMode(AppAppearanceMode::light);
}

void TestHotKeyRecorderField::init()
{
    owner = std::make_unique<Owner>();
    owner->setShortcut(controlOptionCommandK);
    owner->show();
    owner->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(owner.get()));
    owner->edit->setFocus();
    QTRY_VERIFY(owner->edit->hasFocus());
}

void TestHotKeyRecorderField::cleanup()
{
    owner.reset();
}

void TestHotKeyRecorderField::startRecording()
{
    QTest::mouseClick(owner->field, Qt::LeftButton);
    QVERIFY(owner->field->isRecording());
    QTRY_VERIFY(owner->field->captureView()->hasFocus());
}

void TestHotKeyRecorderField::clickStartsRecordingAndTakesTheFocus()
{
    QCOMPARE(owner->field->displayedText(), u"⌃⌥⌘K"_s);
    QCOMPARE(owner->field->focusPolicy(), Qt::NoFocus);
    startRecording();
    QCOMPARE(owner->field->displayedText(), u"按下快捷键"_s);
}

void TestHotKeyRecorderField::keyWhileRecording_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<Captures>("captures");
    QTest::addColumn<bool>("stillRecording");
    QTest::addColumn<int>("beeps");

    const auto modifiers = [](auto... flags) {
        return Qt::KeyboardModifiers((flags | ...));
    };
    const Captures none;

    QTest::newRow("Command+Shift+K, Command being Super")
        << Qt::Key_K << modifiers(Qt::MetaModifier, Qt::ShiftModifier)
        << Captures{HotKeyShortcut{40, 0x300, u"⇧⌘K"_s}} << false << 0;
    QTest::newRow("Control+Option+Command+Space")
        << Qt::Key_Space << modifiers(Qt::ControlModifier, Qt::AltModifier, Qt::MetaModifier)
        << Captures{HotKeyShortcut{49, 0x1900, u"⌃⌥⌘Space"_s}} << false << 0;
    QTest::newRow("Option+F1") << Qt::Key_F1 << modifiers(Qt::AltModifier)
                               << Captures{HotKeyShortcut{122, option, u"⌥F1"_s}} << false << 0;
    QTest::newRow("Shift is enough as a modifier")
        << Qt::Key_7 << modifiers(Qt::ShiftModifier) << Captures{HotKeyShortcut{26, shift, u"⇧7"_s}}
        << false << 0;
    QTest::newRow("Control+Tab") << Qt::Key_Tab << modifiers(Qt::ControlModifier)
                                 << Captures{HotKeyShortcut{48, control, u"⌃⇥"_s}} << false << 0;
    QTest::newRow("plain letter beeps")
        << Qt::Key_K << Qt::KeyboardModifiers() << none << true << 1;
    QTest::newRow("Tab without modifiers beeps and keeps the focus")
        << Qt::Key_Tab << Qt::KeyboardModifiers() << none << true << 1;
    QTest::newRow("Option+Return has no label")
        << Qt::Key_Return << modifiers(Qt::AltModifier) << none << true << 1;
    QTest::newRow("a key without a code")
        << Qt::Key_Launch0 << modifiers(Qt::MetaModifier) << none << true << 1;
    QTest::newRow("Escape cancels")
        << Qt::Key_Escape << Qt::KeyboardModifiers() << none << false << 0;
    QTest::newRow("Command+Escape cancels too")
        << Qt::Key_Escape << modifiers(Qt::MetaModifier) << none << false << 0;
    QTest::newRow("Delete clears")
        << Qt::Key_Backspace << Qt::KeyboardModifiers() << Captures{std::nullopt} << false << 0;
    QTest::newRow("Shift+Delete clears too") << Qt::Key_Backspace << modifiers(Qt::ShiftModifier)
                                             << Captures{std::nullopt} << false << 0;
    QTest::newRow("Forward Delete clears")
        << Qt::Key_Delete << Qt::KeyboardModifiers() << Captures{std::nullopt} << false << 0;
}

void TestHotKeyRecorderField::keyWhileRecording()
{
    QFETCH(Qt::Key, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(Captures, captures);
    QFETCH(bool, stillRecording);
    QFETCH(int, beeps);

    startRecording();
    pressKey(key, modifiers);
    QCOMPARE(owner->captures, captures);
    QCOMPARE(owner->beeps, beeps);
    // The owner hears of the end one pass later.
    QCoreApplication::processEvents();
    QCOMPARE(owner->field->isRecording(), stillRecording);
    QVERIFY(owner->keysReceived.isEmpty());
    if (stillRecording)
        QVERIFY(owner->field->captureView()->hasFocus());
}

void TestHotKeyRecorderField::escapeKeepsThePreviousShortcut()
{
    startRecording();
    pressKey(Qt::Key_Escape);
    QTRY_VERIFY(!owner->field->isRecording());
    QCOMPARE(owner->shortcut, controlOptionCommandK);
    QCOMPARE(owner->field->displayedText(), u"⌃⌥⌘K"_s);
}

void TestHotKeyRecorderField::deleteClearsAndShowsThePlaceholderFaint()
{
    startRecording();
    pressKey(Qt::Key_Backspace);
    QTRY_VERIFY(!owner->field->isRecording());
    QCOMPARE(owner->shortcut, std::nullopt);
    QCOMPARE(owner->field->displayedText(), u"记录快捷键"_s);
    QTRY_COMPARE(owner->field->textColor(), withOpacity(AppTheme::secondaryText(), 0.52));
}

void TestHotKeyRecorderField::modifierKeysAloneKeepRecordingSilently()
{
    startRecording();
    pressKey(Qt::Key_Meta, Qt::MetaModifier);
    pressKey(Qt::Key_Shift, Qt::MetaModifier | Qt::ShiftModifier);
    pressKey(Qt::Key_Control, Qt::ControlModifier);
    pressKey(Qt::Key_Alt, Qt::AltModifier);
    QCoreApplication::processEvents();
    QVERIFY(owner->field->isRecording());
    QCOMPARE(owner->beeps, 0);
    QVERIFY(owner->captures.isEmpty());

    pressKey(Qt::Key_K, Qt::MetaModifier | Qt::ShiftModifier);
    QCOMPARE(owner->captures, (Captures{HotKeyShortcut{40, 0x300, u"⇧⌘K"_s}}));
}

void TestHotKeyRecorderField::windowShortcutsDoNotTakeTheRecordedKey()
{
    int activations = 0;
    QShortcut shortcut(QKeySequence(Qt::ControlModifier | Qt::Key_J), owner.get());
    connect(&shortcut, &QShortcut::activated, this, [&] { ++activations; });

    startRecording();
    pressKey(Qt::Key_J, Qt::ControlModifier);
    QCOMPARE(activations, 0);
    QCOMPARE(owner->captures, (Captures{HotKeyShortcut{38, control, u"⌃J"_s}}));

    QTRY_VERIFY(!owner->field->isRecording());
    pressKey(Qt::Key_J, Qt::ControlModifier);
    QCOMPARE(activations, 1);
}

void TestHotKeyRecorderField::keysWhileNotRecordingArePassedOn()
{
    startRecording();
    pressKey(Qt::Key_Escape);
    QTRY_VERIFY(!owner->field->isRecording());
    // The helper keeps the focus, but no longer takes keys.
    QVERIFY(owner->field->captureView()->hasFocus());
    pressKey(Qt::Key_K, Qt::MetaModifier | Qt::ShiftModifier);
    pressKey(Qt::Key_Backspace);
    QCOMPARE(owner->keysReceived, (QList<int>{Qt::Key_K, Qt::Key_Backspace}));
    QVERIFY(owner->captures.isEmpty());
    QCOMPARE(owner->beeps, 0);
}

void TestHotKeyRecorderField::ownerEndingTheRecordingReleasesTheKeys()
{
    startRecording();
    owner->field->setRecording(false);
    pressKey(Qt::Key_K, Qt::MetaModifier);
    QVERIFY(owner->captures.isEmpty());
    QCOMPARE(owner->keysReceived, QList<int>{Qt::Key_K});
}

void TestHotKeyRecorderField::colours_data()
{
    QTest::addColumn<bool>("recording");
    QTest::addColumn<QString>("shortcutText");
    QTest::addColumn<QColor>("textColor");
    QTest::newRow("recording") << true << u"⌃⌥⌘K"_s << AppTheme::accent();
    QTest::newRow("a shortcut") << false << u"⌃⌥⌘K"_s << withOpacity(AppTheme::primaryText(), 0.88);
    QTest::newRow("no shortcut") << false << u"记录快捷键"_s
                                 << withOpacity(AppTheme::secondaryText(), 0.52);
}

void TestHotKeyRecorderField::colours()
{
    QFETCH(bool, recording);
    QFETCH(QString, shortcutText);
    QFETCH(QColor, textColor);
    owner->field->setShortcutText(shortcutText);
    owner->field->setRecording(recording);
    QTRY_COMPARE(owner->field->textColor(), textColor);
}

void TestHotKeyRecorderField::isAtLeast28High()
{
    QVERIFY(owner->field->sizeHint().height() >= 28);
    QVERIFY(owner->field->height() >= 28);
}

QTEST_MAIN(TestHotKeyRecorderField)
#include "tst_hotkeyrecorderfield.moc"
