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
    void initTestCase();
    void artworkIsCompiledIn();
    void drawnInsideItsRoundedSquare_data();
    void drawnInsideItsRoundedSquare();
    void shadowFallsBelow();
};

void TestBrandLogoView::initTestCase()
{
    AppTheme::setSystemAppearanceSource([] { return false; });
}

void TestBrandLogoView::artworkIsCompiledIn()
{
    QSvgRenderer renderer(QStringLiteral(":/BrandLogo.svg"));
    QVERIFY(renderer.isValid());
    QCOMPARE(renderer.defaultSize().width(), renderer.defaultSize().height());
    QCOMPARE(BrandLogoView(64).sizeHint(), QSize(64, 64));
}

void TestBrandLogoView::drawnInsideItsRoundedSquare_data()
{
    QTest::addColumn<qreal>("scale");
    QTest::newRow("1×") << 1.0;
    QTest::newRow("2×") << 2.0;
}

void TestBrandLogoView::drawnInsideItsRoundedSquare()
{
    QFETCH(qreal, scale);
    QImage image(QSize(24, 24) * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        BrandLogoView::paintLogo(painter, QRectF(0, 0, 24, 24));
    }
    // Opaque inside, nothing at the very corner, cut off by the rounding.
    QCOMPARE(image.pixelColor(QPoint(12, 3) * scale).alpha(), 255);
    QCOMPARE(image.pixelColor(QPoint(0, 0)).alpha(), 0);
    QCOMPARE(image.pixelColor(image.width() - 1, image.height() - 1).alpha(), 0);
    // The tile is in the accent's family: red over green and blue.
    const QColor edge = image.pixelColor(QPoint(2, 12) * scale);
    QVERIFY(edge.red() > edge.green() + 60 && edge.red() > edge.blue() + 60);
}

void TestBrandLogoView::shadowFallsBelow()
{
    QImage image(60, 60, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        BrandLogoView::paintShadow(painter, QRectF(18, 18, 24, 24));
    }
    // Moved 3 down: more shadow under the logo than above it, none far away.
    const int above = image.pixelColor(30, 14).alpha();
    const int below = image.pixelColor(30, 46).alpha();
    QVERIFY2(below > above, qPrintable(QStringLiteral("%1 %2").arg(above).arg(below)));
    QVERIFY(below < int(255 * 0.18) + 1);
    QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
}

QTEST_MAIN(TestBrandLogoView)
#include "tst_brandlogoview.moc"
