#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>

#include <functional>

// A one-line text of the panel: a font, a theme colour read at every paint (so it follows the
// appearance), an optional shrink before it is cut with an ellipsis. Its natural size is the
// text's.
class PanelLabel : public QWidget
{
    Q_OBJECT
public:
    using ColorRole = std::function<QColor()>;

    PanelLabel(const QString &text, const QFont &font, ColorRole color, QWidget *parent = nullptr);
    ~PanelLabel() override;

    [[nodiscard]] QString text() const { return m_text; }
    void setText(const QString &text);
    void setMinimumScale(qreal scale);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    QFont m_font;
    ColorRole m_color;
    qreal m_minimumScale = 1.0;
};
