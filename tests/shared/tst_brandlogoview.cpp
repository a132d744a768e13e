#include "shared/BrandLogoView.h"

#include "shared/AppTheme.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTest>

class TestBrandLogoView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void drawnInsideItsRoundedSquareWithAShadowBelow();
};

void TestBrandLogoView::drawnInsideItsRoundedSquareWithAShadowBelow()
{
    AppTheme::setSystemAppearanceSource([] { return false; });
    QVERIFY(QSvgRenderer(QStringLiteral(":/BrandLogo.svg")).isValid());
    QImage image(QSize(48, 48), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    image.fill(Qt::transparent);
    QImage shadow(60, 60, QImage::Format_ARGB32_Premultiplied);
    shadow.fill(Qt::transparent);
    {
        QPainter painter(&image);
        BrandLogoView::paintLogo(painter, QRectF(0, 0, 24, 24));
        QPainter shadowPainter(&shadow);
        BrandLogoView::paintShadow(shadowPainter, QRectF(18, 18, 24, 24));
    }
    // Opaque inside, in the accent's red; nothing in the corners, cut off by the rounding.
    QCOMPARE(image.pixelColor(24, 6).alpha(), 255);
    QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
    QCOMPARE(image.pixelColor(47, 47).alpha(), 0);
    const QColor edge = image.pixelColor(4, 24);
    QVERIFY(edge.red() > edge.green() + 60 && edge.red() > edge.blue() + 60);
    // The shadow falls below the logo, faint, and not far.
    QVERIFY(shadow.pixelColor(30, 46).alpha() > shadow.pixelColor(30, 14).alpha());
    QVERIFY(shadow.pixelColor(30, 46).alpha() <= int(255 * 0.18) + 1);
    QCOMPARE(shadow.pixelColor(0, 0).alpha(), 0);
}

QTEST_MAIN(TestBrandLogoView)
#include "tst_brandlogoview.moc"
