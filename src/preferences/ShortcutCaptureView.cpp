#include "ShortcutCaptureView.h"

#include "shortcut/ShortcutKeyEventTranslator.h"

#include <QApplication>
#include <QKeyEvent>

namespace {

// Virtual key codes the recorder answers before looking at modifiers.
constexpr quint32 deleteKey = 51;
constexpr quint32 forwardDeleteKey = 117;
constexpr quint32 escapeKey = 53;
// Command, Shift, Caps Lock, Option and Control, left and right.
constexpr quint32 firstModifierKey = 0x36;
constexpr quint32 lastModifierKey = 0x3E;

// A modifier going down only prepares the press that follows: other desktops never report it as
// a key press of its own.
bool isModifierKey(const QKeyEvent &keyEvent, const std::optional<ShortcutKeyEvent> &translated)
{
    switch (keyEvent.key()) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_Mode_switch:
        return true;
    default:
        return translated && translated->keyCode >= firstModifierKey
               && translated->keyCode <= lastModifierKey;
    }
}

} // namespace

ShortcutCaptureView::ShortcutCaptureView(QWidget *parent)
    : QWidget(parent)
    , m_beep(&QApplication::beep)
{
    setFixedSize(1, 1);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

ShortcutCaptureView::~ShortcutCaptureView() = default;

bool ShortcutCaptureView::isRecording() const
{
    return m_recording;
}

void ShortcutCaptureView::setRecording(bool recording)
{
    m_recording = recording;
    if (m_recording)
        requestFocus();
}

void ShortcutCaptureView::setOnCapture(CaptureHandler onCapture)
{
    m_onCapture = std::move(onCapture);
}

void ShortcutCaptureView::setOnRecordingChange(RecordingChangeHandler onRecordingChange)
{
    m_onRecordingChange = std::move(onRecordingChange);
}

void ShortcutCaptureView::setBeep(Beep beep)
{
    m_beep = std::move(beep);
}

bool ShortcutCaptureView::event(QEvent *event)
{
    if (m_recording) {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            // The window's shortcuts and actions must not take the key being recorded.
            event->accept();
            return true;
        case QEvent::KeyPress:
            // Straight to the recorder: Tab would otherwise move the focus away.
            keyPressEvent(static_cast<QKeyEvent *>(event));
            return true;
        default:
            break;
        }
    }
    return QWidget::event(event);
}

void ShortcutCaptureView::keyPressEvent(QKeyEvent *event)
{
    if (!m_recording) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    const std::optional<ShortcutKeyEvent> keyEvent = ShortcutKeyEventTranslator::translate(*event);
    if (isModifierKey(*event, keyEvent))
        return;
    if (keyEvent && (keyEvent->keyCode == deleteKey || keyEvent->keyCode == forwardDeleteKey)) {
        if (m_onCapture)
            m_onCapture(std::nullopt);
        stopRecording();
        return;
    }
    if (keyEvent && keyEvent->keyCode == escapeKey) {
        stopRecording();
        return;
    }
    const std::optional<Shortcut> shortcut = keyEvent ? Shortcut::capture(*keyEvent) : std::nullopt;
    if (!shortcut) {
        if (m_beep)
            m_beep();
        return;
    }
    if (m_onCapture)
        m_onCapture(shortcut);
    stopRecording();
}

void ShortcutCaptureView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_recording)
        requestFocus();
}

void ShortcutCaptureView::requestFocus()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_recording)
                setFocus(Qt::OtherFocusReason);
        },
        Qt::QueuedConnection);
}

void ShortcutCaptureView::stopRecording()
{
    m_recording = false;
    if (m_onRecordingChange)
        m_onRecordingChange(false);
}
