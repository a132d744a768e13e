#pragma once

#include "shortcut/Shortcut.h"

#include <QWidget>

#include <functional>
#include <optional>

// The invisible helper of the shortcut recorder: a 1 × 1 widget that takes the keyboard focus
// while recording and turns the next usable key press into a shortcut.
class ShortcutCaptureView : public QWidget
{
    Q_OBJECT

public:
    using CaptureHandler = std::function<void(const std::optional<Shortcut> &)>;
    using RecordingChangeHandler = std::function<void(bool)>;
    using Beep = std::function<void()>;

    explicit ShortcutCaptureView(QWidget *parent = nullptr);
    ~ShortcutCaptureView() override;

    [[nodiscard]] bool isRecording() const;
    /// Takes the owner's state; while recording, asks for the keyboard focus once this pass is
    /// over.
    void setRecording(bool recording);
    /// Given a recorded shortcut, or none when the user cleared it.
    void setOnCapture(CaptureHandler onCapture);
    /// Told when recording ends here (a capture, a clear or a cancel).
    void setOnRecordingChange(RecordingChangeHandler onRecordingChange);
    /// Sounds for a key that cannot be a shortcut; QApplication::beep unless replaced.
    void setBeep(Beep beep);

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void requestFocus();
    void stopRecording();

    bool m_recording = false;
    CaptureHandler m_onCapture;
    RecordingChangeHandler m_onRecordingChange;
    Beep m_beep;
};
