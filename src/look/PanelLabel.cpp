#include "PanelLabel.h"

#include "AppFonts.h"
#include "PanelText.h"
#include "shared/TextAccessible.h"

#include <QAccessible>
#include <QPainter>
#include <QPointer>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QAccessibleInterface *accessibleLabel(const QString &className, QObject *object)
{
    if (className != "PanelLabel"_L1)
        return nullptr;
    auto *label = static_cast<PanelLabel *>(object);
    return new TextAccessible(label, QAccessible::StaticText, [label = QPointer(label)] {
        return label ? label->text() : QString();
    });
}

} // namespace

PanelLabel::PanelLabel(const QString &text, const QFont &font, ColorRole color, QWidget *parent)
    : QWidget(parent)
    , m_text(text)
    , m_font(font)
    , m_color(std::move(color))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // Screen readers read the painted text wherever a label is shown.
    static const bool accessible = [] {
        QAccessible::installFactory(accessibleLabel);
        return true;
    }();
    static_cast<void>(accessible);
}

PanelLabel::~PanelLabel() = default;

void PanelLabel::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    updateGeometry();
    update();
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void PanelLabel::setMinimumScale(qreal scale)
{
    m_minimumScale = scale;
    update();
}

QSize PanelLabel::sizeHint() const
{
    return {int(std::ceil(PanelText::width(m_font, m_text))),
            int(std::ceil(AppFonts::lineHeight(m_font)))};
}

QSize PanelLabel::minimumSizeHint() const
{
    return {0, sizeHint().height()};
}

void PanelLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    PanelText::draw(painter, QRectF(rect()), m_text, m_font, m_color(), Qt::AlignLeft,
                    m_minimumScale);
}
