#include "ShortcutRecorderField.h"

#include "look/AppFonts.h"
#include "look/AppTheme.h"
#include "look/ContinuousCorners.h"
#include "look/FocusRing.h"

#include <QEasingCurve>
#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr int animationMs = 160;
constexpr qreal minimumFieldHeight = 28;
constexpr qreal horizontalPadding = 12;
constexpr qreal cornerRadius = 8;
constexpr qreal strokeWidth = 1;

QFont labelFont()
{
    return AppFonts::ui(14, QFont::DemiBold);
}

QColor withOpacity(QColor color, qreal opacity)
{
    color.setAlphaF(color.alphaF() * opacity);
    return color;
}

QColor blend(const QColor &from, const QColor &to, qreal progress)
{
    const auto mix = [progress](float a, float b) {
        return a + (b - a) * float(progress);
    };
    return QColor::fromRgbF(mix(from.redF(), to.redF()), mix(from.greenF(), to.greenF()),
                            mix(from.blueF(), to.blueF()), mix(from.alphaF(), to.alphaF()));
}

// Ease-in-out as the cubic Bézier (0.42, 0) (0.58, 1).
QEasingCurve easeInOut()
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.42, 0.0), QPointF(0.58, 1.0), QPointF(1.0, 1.0));
    return curve;
}

} // namespace

ShortcutRecorderField::ShortcutRecorderField(QWidget *parent)
    : KeyboardFocusButton(parent)
    , m_captureView(new ShortcutCaptureView(this))
    , m_animation(new QVariantAnimation(this))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(spokenName());

    m_animation->setDuration(animationMs);
    m_animation->setEasingCurve(easeInOut());
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_progress = value.toReal();
        update();
    });

    m_captureView->setOnRecordingChange([this](bool recording) {
        QMetaObject::invokeMethod(
            this, [this, recording] { setRecording(recording); }, Qt::QueuedConnection);
    });
    connect(this, &QAbstractButton::clicked, this, [this] { setRecording(true); });
    updateCaptureView();
}

ShortcutRecorderField::~ShortcutRecorderField() = default;

bool ShortcutRecorderField::isRecording() const
{
    return m_recording;
}

void ShortcutRecorderField::setRecording(bool recording)
{
    const bool changed = recording != m_recording;
    m_recording = recording;
    if (changed) {
        const qreal target = m_recording ? 1.0 : 0.0;
        m_animation->stop();
        if (isVisible()) {
            m_animation->setStartValue(m_progress);
            m_animation->setEndValue(target);
            m_animation->start();
        } else {
            m_progress = target;
        }
        setAccessibleName(spokenName());
        update();
        if (m_recording)
            m_returnsFocus = hasFocus();
        else if (std::exchange(m_returnsFocus, false) && m_captureView->hasFocus())
            setFocus(Qt::OtherFocusReason);
        Q_EMIT recordingChanged(m_recording);
    }
    updateCaptureView();
}

QString ShortcutRecorderField::shortcutText() const
{
    return m_shortcutText;
}

void ShortcutRecorderField::setShortcutText(const QString &shortcutText)
{
    if (shortcutText == m_shortcutText)
        return;
    m_shortcutText = shortcutText;
    setAccessibleName(spokenName());
    updateGeometry();
    update();
    Q_EMIT shortcutTextChanged(m_shortcutText);
    updateCaptureView();
}

void ShortcutRecorderField::setOnCapture(ShortcutCaptureView::CaptureHandler onCapture)
{
    m_onCapture = std::move(onCapture);
    updateCaptureView();
}

void ShortcutRecorderField::setBeep(ShortcutCaptureView::Beep beep)
{
    m_captureView->setBeep(std::move(beep));
}

ShortcutCaptureView *ShortcutRecorderField::captureView() const
{
    return m_captureView;
}

QString ShortcutRecorderField::displayedText() const
{
    return m_recording ? recordingText.toString() : m_shortcutText;
}

QString ShortcutRecorderField::spokenName() const
{
    return QStringLiteral("快捷键: ") + displayedText();
}

QColor ShortcutRecorderField::textColor() const
{
    return blend(idleLook().text, recordingLook().text, m_progress);
}

QSize ShortcutRecorderField::sizeHint() const
{
    const QFontMetricsF metrics(labelFont());
    const qreal textWidth = std::max(metrics.horizontalAdvance(m_shortcutText),
                                     metrics.horizontalAdvance(recordingText.toString()));
    const qreal height = std::max(minimumFieldHeight, AppFonts::lineHeight(labelFont()));
    return QSize(int(std::ceil(textWidth + 2 * horizontalPadding)), int(std::ceil(height)));
}

QSize ShortcutRecorderField::minimumSizeHint() const
{
    return QSize(int(2 * horizontalPadding), sizeHint().height());
}

void ShortcutRecorderField::paintEvent(QPaintEvent *)
{
    // Colours are read at every paint, so a repaint after an appearance change shows the new ones.
    const Look idle = idleLook();
    const Look recording = recordingLook();

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal inset = strokeWidth / 2;
    const QPainterPath shape = ContinuousCorners::roundedRect(
        QRectF(rect()).adjusted(inset, inset, -inset, -inset), cornerRadius);
    painter.fillPath(shape, blend(idle.fill, recording.fill, m_progress));
    painter.strokePath(shape, QPen(blend(idle.stroke, recording.stroke, m_progress), strokeWidth));

    painter.setFont(labelFont());
    const QRectF textRect = QRectF(rect()).adjusted(horizontalPadding, 0, -horizontalPadding, 0);
    const auto drawText = [&](const QString &text, const QColor &color, qreal opacity) {
        if (opacity <= 0)
            return;
        painter.setPen(withOpacity(color, opacity));
        const QString elided =
            painter.fontMetrics().elidedText(text, Qt::ElideRight, int(textRect.width()));
        painter.drawText(textRect, Qt::AlignCenter, elided);
    };
    // The two texts cross-fade while the change plays.
    drawText(m_shortcutText, idle.text, 1.0 - m_progress);
    drawText(recordingText.toString(), recording.text, m_progress);
    if (showsFocusRing())
        FocusRing::paint(painter, QRectF(rect()), cornerRadius);
}

void ShortcutRecorderField::resizeEvent(QResizeEvent *event)
{
    KeyboardFocusButton::resizeEvent(event);
    placeCaptureView();
}

void ShortcutRecorderField::changeEvent(QEvent *event)
{
    KeyboardFocusButton::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        update();
}

ShortcutRecorderField::Look ShortcutRecorderField::idleLook() const
{
    const QColor text = m_shortcutText == emptyShortcutText
                            ? withOpacity(AppTheme::secondaryText(), 0.52)
                            : withOpacity(AppTheme::primaryText(), 0.88);
    return {text, AppTheme::surfaceFillMuted(), AppTheme::surfaceStroke()};
}

ShortcutRecorderField::Look ShortcutRecorderField::recordingLook()
{
    return {AppTheme::accent(), withOpacity(AppTheme::accent(), 0.14), AppTheme::accent()};
}

void ShortcutRecorderField::updateCaptureView()
{
    m_captureView->setRecording(m_recording);
    m_captureView->setOnCapture(m_onCapture);
}

void ShortcutRecorderField::placeCaptureView()
{
    m_captureView->move(rect().center());
    m_captureView->raise();
}
