#pragma once

#include "PreferencesControls.h"
#include "ShortcutCaptureView.h"

#include <QColor>
#include <QString>
#include <QStringView>

class QVariantAnimation;

// The control that records the global shortcut: shows the shortcut's text and, once clicked,
// records the next key press with modifiers. Escape cancels, Delete clears. Tab reaches it and
// space starts recording; the focus comes back to it when recording ends.
class ShortcutRecorderField : public PreferencesControls::KeyboardFocusButton
{
    Q_OBJECT
    /// Recording in progress: the owner's state, written back one pass after recording ends.
    Q_PROPERTY(bool isRecording READ isRecording WRITE setRecording NOTIFY recordingChanged)
    /// Shown while not recording: the shortcut's display text, or emptyShortcutText.
    Q_PROPERTY(
        QString shortcutText READ shortcutText WRITE setShortcutText NOTIFY shortcutTextChanged)

public:
    /// What the owner shows when there is no shortcut; drawn faint.
    static constexpr QStringView emptyShortcutText = u"记录快捷键";
    static constexpr QStringView recordingText = u"按下快捷键";

    explicit ShortcutRecorderField(QWidget *parent = nullptr);
    ~ShortcutRecorderField() override;

    [[nodiscard]] bool isRecording() const;
    void setRecording(bool recording);
    [[nodiscard]] QString shortcutText() const;
    void setShortcutText(const QString &shortcutText);

    /// Given a recorded shortcut, or none when the user cleared it.
    void setOnCapture(ShortcutCaptureView::CaptureHandler onCapture);
    /// Replaces QApplication::beep for keys that cannot be a shortcut.
    void setBeep(ShortcutCaptureView::Beep beep);

    [[nodiscard]] ShortcutCaptureView *captureView() const;
    /// The text shown once the recording change has played.
    [[nodiscard]] QString displayedText() const;
    /// What a screen reader says: the setting and the shortcut, or that it is recording.
    [[nodiscard]] QString spokenName() const;
    /// The colour the text is drawn in now; between two states while the change plays.
    [[nodiscard]] QColor textColor() const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

Q_SIGNALS:
    void recordingChanged(bool isRecording);
    void shortcutTextChanged(const QString &shortcutText);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct Look
    {
        QColor text;
        QColor fill;
        QColor stroke;
    };
    [[nodiscard]] Look idleLook() const;
    [[nodiscard]] static Look recordingLook();
    void updateCaptureView();
    void placeCaptureView();

    bool m_recording = false;
    QString m_shortcutText = emptyShortcutText.toString();
    ShortcutCaptureView::CaptureHandler m_onCapture;
    ShortcutCaptureView *m_captureView;
    QVariantAnimation *m_animation;
    // 0 shows the idle look, 1 the recording look.
    qreal m_progress = 0.0;
    // Recording began from the keyboard focus, which goes back to the field at its end.
    bool m_returnsFocus = false;
};
