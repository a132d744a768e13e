#pragma once

#include <QIcon>
#include <QWidget>

class QPainter;

// The application's logo at a square size: the compiled-in artwork ":/BrandLogo.svg" drawn in
// its own colours, clipped to a rounded square of corner radius 0.24 × size. Its accent shadow
// falls outside the square, where a child widget cannot draw, so the widget holding the logo
// paints it with paintShadow() under the logo's geometry.
class BrandLogoView : public QWidget
{
    Q_OBJECT
public:
    explicit BrandLogoView(qreal size = 24, QWidget *parent = nullptr);
    ~BrandLogoView() override;

    [[nodiscard]] QSize sizeHint() const override;

    [[nodiscard]] static qreal cornerRadius(qreal size) { return size * 0.24; }
    /// The logo's clip, whose corner radius is cornerRadius(rect's width).
    [[nodiscard]] static QPainterPath shape(const QRectF &rect);
    static void paintLogo(QPainter &painter, const QRectF &rect);
    /// The accent at 0.18, blurred by 8, 3 down.
    static void paintShadow(QPainter &painter, const QRectF &rect);
    /// The icon of every window: the installed "tessel-calendar" theme icon, else the logo.
    [[nodiscard]] static QIcon applicationIcon();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qreal m_size;
};
