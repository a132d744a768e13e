#include "menubar/StatusItemIcon.h"
#include "menubar/StatusNotifierItem.h"
#include "menubar/StatusNotifierTypes.h"

#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Dark and grey: the number, but neither the red band nor the page's outline.
bool isNumberInk(QRgb pixel)
{
    return qAlpha(pixel) == 255 && qRed(pixel) < 100 && qGreen(pixel) < 100 && qBlue(pixel) < 100;
}

// The bounding box of the number's dark pixels.
QRect inkBounds(const QImage &image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (isNumberInk(image.pixel(x, y)))
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

bool closeTo(QColor actual, QColor expected, int tolerance)
{
    return std::abs(actual.red() - expected.red()) <= tolerance
           && std::abs(actual.green() - expected.green()) <= tolerance
           && std::abs(actual.blue() - expected.blue()) <= tolerance;
}

} // namespace

class TestStatusItemIcon : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pageReadsAtEverySize_data();
    void pageReadsAtEverySize();
    void everyDayLooksDifferent();
    void dayOutOfRangeLeavesThePageBlank_data();
    void dayOutOfRangeLeavesThePageBlank();
    void pixmapWireFormIsBigEndianArgb_data();
    void pixmapWireFormIsBigEndianArgb();
    void wireFormWithWrongLengthGivesNoImage();
    void labelGuideKeepsWidth_data();
    void labelGuideKeepsWidth();
};

void TestStatusItemIcon::pageReadsAtEverySize_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("day");

    for (const int size : StatusItemIcon::sizes) {
        for (const int day : {1, 11, 28})
            QTest::addRow("day %d at %d px", day, size) << size << day;
    }
}

void TestStatusItemIcon::pageReadsAtEverySize()
{
    QFETCH(int, size);
    QFETCH(int, day);
    const QImage image = StatusItemIcon::render(day, size);
    QCOMPARE(image.size(), QSize(size, size));

    const int header = StatusItemIcon::headerHeight(size);
    QVERIFY(closeTo(image.pixelColor(size / 2, header / 2), StatusItemIcon::accentColor(), 8));
    // A white gap between band and number.
    QCOMPARE(image.pixelColor(size / 2, header), QColor(Qt::white));

    // The number stays on the white part, fills most of its height and sits in the middle.
    const QRect ink = inkBounds(image);
    QVERIFY2(ink.top() > header, qPrintable(u"ink from row %1"_s.arg(ink.top())));
    const int pageHeight = size - header;
    QVERIFY2(ink.height() >= pageHeight * 0.6,
             qPrintable(u"number %1 px high on a %2 px page"_s.arg(ink.height()).arg(pageHeight)));
    QVERIFY(std::abs(ink.center().x() - (size - 1) / 2.0) <= size / 10.0 + 0.5);
    if (day >= 10)
        QVERIFY2(ink.width() >= size * 0.6, qPrintable(u"%1 px wide"_s.arg(ink.width())));
    QVERIFY(ink.left() >= 1 && ink.right() <= size - 2);
}

void TestStatusItemIcon::everyDayLooksDifferent()
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
}

void TestStatusItemIcon::dayOutOfRangeLeavesThePageBlank_data()
{
    QTest::addColumn<int>("day");
    QTest::newRow("zero") << 0;
    QTest::newRow("thirty-two") << 32;
}

void TestStatusItemIcon::dayOutOfRangeLeavesThePageBlank()
{
    QFETCH(int, day);
    const QImage image = StatusItemIcon::render(day, 24);
    QVERIFY(inkBounds(image).isNull());
    QVERIFY(closeTo(image.pixelColor(12, 2), StatusItemIcon::accentColor(), 8));
}

void TestStatusItemIcon::pixmapWireFormIsBigEndianArgb_data()
{
    QTest::addColumn<QImage::Format>("format");
    QTest::newRow("premultiplied") << QImage::Format_ARGB32_Premultiplied;
    QTest::newRow("no alpha") << QImage::Format_RGB32;
}

void TestStatusItemIcon::pixmapWireFormIsBigEndianArgb()
{
    QFETCH(QImage::Format, format);
    QImage image(2, 2, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(0xFF, 0x00, 0x00, 0x80));
    image.setPixel(1, 0, qRgba(0x12, 0x34, 0x56, 0xFF));
    image.setPixel(0, 1, qRgba(0x00, 0x00, 0x00, 0x00));
    image.setPixel(1, 1, qRgba(0xC1, 0x46, 0x2D, 0xFF));
    const QImage given = image.convertToFormat(format);

    const StatusNotifierIconPixmap pixmap = StatusNotifierIconPixmap::fromImage(given);
    QCOMPARE(pixmap.width, 2);
    QCOMPARE(pixmap.height, 2);
    const QByteArray second = pixmap.bytes.mid(4, 4);
    QCOMPARE(second, QByteArray::fromHex("FF123456"));
    QCOMPARE(pixmap.bytes.mid(12, 4), QByteArray::fromHex("FFC1462D"));
    if (format != QImage::Format_RGB32) {
        // Straight alpha on the wire, however the image was held.
        QCOMPARE(pixmap.bytes.mid(0, 4), QByteArray::fromHex("80FF0000"));
        QCOMPARE(pixmap.toImage(), image);
    } else {
        QCOMPARE(quint8(pixmap.bytes.at(0)), quint8(0xFF));
    }
}

void TestStatusItemIcon::wireFormWithWrongLengthGivesNoImage()
{
    const StatusNotifierIconPixmap truncated{4, 4, QByteArray(60, 'x')};
    QVERIFY(truncated.toImage().isNull());
    const StatusNotifierIconPixmap negative{-4, -4, QByteArray(64, 'x')};
    QVERIFY(negative.toImage().isNull());
}

void TestStatusItemIcon::labelGuideKeepsWidth_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("guide");

    QTest::newRow("date and time") << u"12月5日 周六 14:03"_s << u"00月0日 周六 00:00"_s;
    QTest::newRow("with seconds and day period") << u"下午 2:03:09"_s << u"下午 0:00:00"_s;
    QTest::newRow("empty") << QString() << QString();
}

void TestStatusItemIcon::labelGuideKeepsWidth()
{
    QFETCH(QString, label);
    QFETCH(QString, guide);
    QCOMPARE(StatusNotifierItem::labelGuideFor(label), guide);
}

QTEST_MAIN(TestStatusItemIcon)
#include "tst_statusitemicon.moc"
