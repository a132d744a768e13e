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
    void modifierKeysAloneKeepRecordingSilently();
    void windowShortcutsDoNotTakeTheRecordedKey();
    void keysWhileNotRecordingArePassedOn_data();
    void keysWhileNotRecordingArePassedOn();

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
    QTest::newRow("Option+F1") << Qt::Key_F1 << modifiers(Qt::AltModifier)
                               << Captures{HotKeyShortcut{122, option, u"⌥F1"_s}} << false << 0;
    QTest::newRow("Shift is enough as a modifier")
        << Qt::Key_7 << modifiers(Qt::ShiftModifier) << Captures{HotKeyShortcut{26, shift, u"⇧7"_s}}
        << false << 0;
    QTest::newRow("Control+Tab") << Qt::Key_Tab << modifiers(Qt::ControlModifier)
                                 << Captures{HotKeyShortcut{48, control, u"⌃⇥"_s}} << false << 0;
    QTest::newRow("Tab without modifiers beeps and keeps the focus")
        << Qt::Key_Tab << Qt::KeyboardModifiers() << none << true << 1;
    QTest::newRow("Option+Return has no label")
        << Qt::Key_Return << modifiers(Qt::AltModifier) << none << true << 1;
    QTest::newRow("a key without a code")
        << Qt::Key_Launch0 << modifiers(Qt::MetaModifier) << none << true << 1;
    QTest::newRow("Escape cancels")
        << Qt::Key_Escape << Qt::KeyboardModifiers() << none << false << 0;
    QTest::newRow("Delete clears")
        << Qt::Key_Backspace << Qt::KeyboardModifiers() << Captures{std::nullopt} << false << 0;
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

void TestHotKeyRecorderField::keysWhileNotRecordingArePassedOn_data()
{
    QTest::addColumn<bool>("byEscape");
    QTest::newRow("ended by Escape") << true;
    QTest::newRow("ended by the owner") << false;
}

void TestHotKeyRecorderField::keysWhileNotRecordingArePassedOn()
{
    QFETCH(bool, byEscape);
    startRecording();
    if (byEscape)
        pressKey(Qt::Key_Escape);
    else
        owner->field->setRecording(false);
    QTRY_VERIFY(!owner->field->isRecording());
    // The helper may keep the focus, but no longer takes keys.
    pressKey(Qt::Key_K, Qt::MetaModifier | Qt::ShiftModifier);
    pressKey(Qt::Key_Backspace);
    QCOMPARE(owner->keysReceived, (QList<int>{Qt::Key_K, Qt::Key_Backspace}));
    QVERIFY(owner->captures.isEmpty());
    QCOMPARE(owner->beeps, 0);
    QCOMPARE(owner->shortcut, controlOptionCommandK);
}

QTEST_MAIN(TestHotKeyRecorderField)
#include "tst_hotkeyrecorderfield.moc"
