#pragma once

#include <QObject>
#include <QPixmap>
#include <QPointer>

class QPainter;
class QVariantAnimation;
class QWidget;

// A cross-fade for a painted widget: start() keeps what the widget shows now, and its next
// paints blend from that to the new state with an ease-out. The widget's paintEvent draws its
// content at incomingOpacity() and then calls paintOutgoing().
class FadeTransition : public QObject
{
    Q_OBJECT
public:
    explicit FadeTransition(QWidget *widget);
    ~FadeTransition() override;

    void setEnabled(bool enabled);
    [[nodiscard]] bool isEnabled() const { return m_enabled; }

    /// Does nothing while disabled or while the widget is not visible.
    void start(int durationMs);

    [[nodiscard]] qreal incomingOpacity() const;
    void paintOutgoing(QPainter &painter) const;

private:
    QPointer<QWidget> m_widget;
    QPixmap m_outgoing;
    QVariantAnimation *m_animation;
    qreal m_progress = 1.0;
    bool m_enabled = true;
    bool m_capturing = false;
};
