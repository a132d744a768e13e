#include "menubar/StatusItemIcon.h"
#include "menubar/StatusNotifierTypes.h"

#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The bounding box of the number: dark pixels, neither the red band nor the page's outline.
QRect inkBounds(const QImage &image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) == 255 && qRed(pixel) < 100 && qGreen(pixel) < 100
                && qBlue(pixel) < 100)
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

} // namespace

class TestStatusItemIcon : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pageReadsAtEverySize()
    {
        for (const int size : StatusItemIcon::sizes) {
            const QImage image = StatusItemIcon::render(28, size);
            QCOMPARE(image.size(), QSize(size, size));
            const int header = StatusItemIcon::headerHeight(size);
            QCOMPARE(image.pixelColor(size / 2, header / 2).rgb(),
                     StatusItemIcon::accentColor().rgb());
            // A white gap between band and number.
            QCOMPARE(image.pixelColor(size / 2, header), QColor(Qt::white));
            // The number stays on the white part, fills most of it and sits in the middle.
            const QRect ink = inkBounds(image);
            QVERIFY(ink.top() > header && ink.height() >= (size - header) * 0.6);
            QVERIFY(std::abs(ink.center().x() - (size - 1) / 2.0) <= size / 10.0 + 0.5);
            QVERIFY(ink.width() >= size * 0.6 && ink.left() >= 1 && ink.right() <= size - 2);
        }
    }

    void everyDayLooksDifferent()
    {
        // At the smallest size, where digits are likeliest to blur together.
        const int size = StatusItemIcon::sizes.front();
        QSet<QByteArray> seen;
        for (int day = 1; day <= 31; ++day) {
            const QImage image = StatusItemIcon::render(day, size);
            seen.insert(
                QByteArray(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes()));
        }
        QCOMPARE(seen.size(), 31);
        // A day out of range leaves the page blank.
        QVERIFY(inkBounds(StatusItemIcon::render(0, 24)).isNull());
        QVERIFY(inkBounds(StatusItemIcon::render(32, 24)).isNull());
    }

    void pixmapWireForm()
    {
        QImage image(2, 1, QImage::Format_ARGB32);
        image.setPixel(0, 0, qRgba(0xFF, 0x00, 0x00, 0x80));
        image.setPixel(1, 0, qRgba(0x12, 0x34, 0x56, 0xFF));
        // Big-endian ARGB with straight alpha on the wire, however the image was held.
        const auto pixmap = StatusNotifierIconPixmap::fromImage(
            image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
        QCOMPARE(pixmap.bytes, QByteArray::fromHex("80FF0000FF123456"));
        QCOMPARE(pixmap.toImage(), image);

        // A host's pixmap whose bytes do not match its size gives no image.
        QVERIFY((StatusNotifierIconPixmap{4, 4, QByteArray(60, 'x')}.toImage().isNull()));
        QVERIFY((StatusNotifierIconPixmap{-4, -4, QByteArray(64, 'x')}.toImage().isNull()));
    }
};

QTEST_MAIN(TestStatusItemIcon)
#include "tst_statusitemicon.moc"
