#pragma once

#include <QWidget>

class QVariantAnimation;

// The one-time hint that teaches the panel's keys: a keyboard symbol and a line of text in a
// capsule, centred in the row. Its presence (0 to 1) runs its fade and its slide from the top
// edge; the gap of `trailingGap` under it belongs to it, so that the panel's stack closes up
// smoothly while it leaves.
class ShortcutHintBanner : public QWidget
{
    Q_OBJECT
public:
    // The panel's Command key is Ctrl (see CalendarKeyboardShortcutMonitor::modifierFlags).
    static inline const QString text =
        QStringLiteral("← → 切月 · Ctrl ← → 切年 · ↑ ↓ Alt ← → 选日 · 空格回今天");
    static constexpr qreal trailingGap = 12;

    explicit ShortcutHintBanner(QWidget *parent = nullptr);
    ~ShortcutHintBanner() override;

    [[nodiscard]] qreal presence() const { return m_presence; }
    void setPresence(qreal presence);
    /// Leaves with an ease-out over `durationMs`, then hides; at once when 0.
    void leave(int durationMs);

    /// The capsule at full presence, in widget coordinates.
    [[nodiscard]] QRectF capsuleRect() const;
    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

Q_SIGNALS:
    void left();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    [[nodiscard]] qreal capsuleHeight() const;
    [[nodiscard]] qreal contentWidth() const;

    qreal m_presence = 1.0;
    QVariantAnimation *m_animation = nullptr;
};
