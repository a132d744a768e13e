#include "look/AppTheme.h"
#include "preferences/ShortcutRecorderField.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// The field's owner: notes what the field captures and the keys that reach the owner.
class Owner : public QWidget
{
public:
    Owner()
    {
        auto *layout = new QVBoxLayout(this);
        layout->addWidget(edit);
        layout->addWidget(field);
        field->setBeep([this] { ++beeps; });
        field->setShortcutText(u"⌃⌥⌘K"_s);
        field->setOnCapture([this](const std::optional<Shortcut> &captured) {
            captures += captured ? captured->displayText : u"cleared"_s;
        });
        connect(windowShortcut, &QShortcut::activated, this, [this] { ++activations; });
    }

    // Has the focus when recording starts: Tab must not move it back there.
    QLineEdit *edit = new QLineEdit(this);
    ShortcutRecorderField *field = new ShortcutRecorderField(this);
    // Must not take the key while it is being recorded.
    QShortcut *windowShortcut = new QShortcut(QKeySequence(Qt::ControlModifier | Qt::Key_J), this);
    int activations = 0;
    QString captures;
    int beeps = 0;
    QList<int> keysReceived;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        // QTest presses the modifiers of a key click first.
        if (event->key() < Qt::Key_Shift || event->key() > Qt::Key_Alt)
            keysReceived.append(event->key());
    }
};

// To whatever has the keyboard focus, as the keyboard would.
void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(static_cast<QWidget *>(nullptr), key, modifiers);
}

} // namespace

class TestShortcutRecorderField : public QObject
{
    Q_OBJECT

    std::unique_ptr<Owner> owner; // recording from the start of each test

private Q_SLOTS:
    void initTestCase()
    {
        AppTheme::setSystemAppearanceSource([] { return false; });
        AppTheme::setAppearanceMode(AppAppearanceMode::light);
    }

    void init()
    {
        owner = std::make_unique<Owner>();
        owner->show();
        owner->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(owner.get()));
        owner->edit->setFocus();
        QTRY_VERIFY(owner->edit->hasFocus());

        QCOMPARE(owner->field->displayedText(), u"⌃⌥⌘K"_s);
        QTest::mouseClick(owner->field, Qt::LeftButton);
        QVERIFY(owner->field->isRecording());
        QCOMPARE(owner->field->displayedText(), u"按下快捷键"_s);
        // The field's helper takes the keyboard while recording.
        QTRY_VERIFY(owner->field->captureView()->hasFocus());
    }

    void cleanup() { owner.reset(); }

    void keyWhileRecording_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("captures");
        QTest::addColumn<int>("beeps"); // a beep keeps recording; anything else ends it
        const auto row = [](const char *name, Qt::Key key, Qt::KeyboardModifiers modifiers,
                            const QString &captured, int beeps) {
            QTest::newRow(name) << key << modifiers << captured << beeps;
        };
        row("Command+Shift+K, Command being Super", Qt::Key_K, Qt::MetaModifier | Qt::ShiftModifier,
            u"⇧⌘K"_s, 0);
        row("Control+J, a shortcut of the window", Qt::Key_J, Qt::ControlModifier, u"⌃J"_s, 0);
        row("Control+Tab", Qt::Key_Tab, Qt::ControlModifier, u"⌃⇥"_s, 0);
        row("Tab alone beeps and keeps the focus", Qt::Key_Tab, {}, {}, 1);
        row("Option+Return has no label", Qt::Key_Return, Qt::AltModifier, {}, 1);
        row("Escape cancels", Qt::Key_Escape, {}, {}, 0);
        row("Delete clears", Qt::Key_Backspace, {}, u"cleared"_s, 0);
        row("Forward Delete clears", Qt::Key_Delete, {}, u"cleared"_s, 0);
    }

    void keyWhileRecording()
    {
        QFETCH(Qt::Key, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, captures);
        QFETCH(int, beeps);

        // Modifiers alone keep recording silently.
        pressKey(Qt::Key_Meta, Qt::MetaModifier);
        pressKey(Qt::Key_Shift, Qt::MetaModifier | Qt::ShiftModifier);
        pressKey(key, modifiers);
        QCOMPARE(owner->captures, captures);
        QCOMPARE(owner->beeps, beeps);
        // The owner hears of the end one pass later.
        QCoreApplication::processEvents();
        QCOMPARE(owner->field->isRecording(), beeps > 0);
        QVERIFY(owner->keysReceived.isEmpty());
        QCOMPARE(owner->activations, 0);
        if (beeps > 0) {
            QVERIFY(owner->field->captureView()->hasFocus());
            return;
        }
        // Once it has ended, the helper may keep the focus but no longer takes keys.
        pressKey(Qt::Key_K, Qt::MetaModifier | Qt::ShiftModifier);
        pressKey(Qt::Key_Backspace);
        pressKey(Qt::Key_J, Qt::ControlModifier);
        QCOMPARE(owner->keysReceived, (QList<int>{Qt::Key_K, Qt::Key_Backspace}));
        QCOMPARE(owner->activations, 1);
        QCOMPARE(owner->captures, captures);
        QCOMPARE(owner->beeps, 0);
    }
};

QTEST_MAIN(TestShortcutRecorderField)
#include "tst_shortcutrecorderfield.moc"
