#include "testimagelibrary.h"
#include "zortiffhandler.h"

#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>

using namespace TestImageLibrary;

class TestZORTiffHandler : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase() { stop(); }

    void initTestCase()
    {
        start();
        QVERIFY(QImageReader::allocationLimit() >= 763); // MiB: 100 megapixels, 8 bytes each
    }

    void readValues_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("name"); // names the library itself would read otherwise
        QTest::newRow("8-bit RGB") << 8 << Kind::Rgb << "shot.tif[1]";
        QTest::newRow("16-bit RGB, upper byte") << 16 << Kind::Rgb << "png:shot.tif";
        QTest::newRow("16-bit grey") << 16 << Kind::Gray << "@shot.tif";
        QTest::newRow("8-bit grey, three levels") << 8 << Kind::Gray << "shot%03d.tif";
        QTest::newRow("palette") << 8 << Kind::Palette << "Bär am See.tif";
    }

    void readValues()
    {
        QFETCH(int, depth);
        QFETCH(Kind, kind);
        QFETCH(QString, name);
        // Any value in 16-bit files and palettes, multiples of 257 in 8-bit files; 8-bit grey
        // only three levels up to 250, so that few colours still reach index 250.
        QImage expected(37, 23, QImage::Format_RGB32);
        QVERIFY(writeTiff(m_dir.filePath("plain.tif"), 37, 23, depth, kind, [&](int x, int y) {
            const auto channel = [&](int c) {
                const int v = x * 4099 + y * 771 + (kind == Kind::Gray ? 0 : c * 12345);
                if (kind == Kind::Palette)
                    return quint16((x * 3 + y) % 3 * 0x1000 + c * 0x15ff);
                if (kind == Kind::Gray && depth == 8)
                    return quint16(std::array{0, 17, 250}[(x + y) % 3] * 257);
                return quint16(depth == 8 ? (v & 0xff) * 257 : v & 0xffff);
            };
            const Sample sample{channel(0), channel(1), channel(2), 0};
            expected.setPixel(x, y, qRgb(sample[0] >> 8, sample[1] >> 8, sample[2] >> 8));
            return sample;
        }));
        QVERIFY(QFile::rename(m_dir.filePath("plain.tif"), m_dir.filePath(name)));

        const QImage image
                = QImageReader(m_dir.filePath(name), ZORTiffHandler::formatKey()).read();
        QCOMPARE(image.format(),
                 kind == Kind::Gray ? QImage::Format_Indexed8 : QImage::Format_RGB32);
        for (int i = 0; kind == Kind::Gray && i < 256; ++i)
            QCOMPARE(image.color(i), qRgb(i, i, i));
        QCOMPARE(image.convertToFormat(QImage::Format_RGB32), expected);
    }

    void readFailures_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("tiff"); // recognised by its header
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("mixed byte order") << QByteArray("II\x00\x2a\x08\0\0\0", 8) << false;
        QTest::newRow("BigTIFF header only") << QByteArray("MM\x00\x2b", 4) << true;
        QTest::newRow("strips cut short") << grayTiff(64, 64, QByteArray(100, 'x'), 4096) << true;
        QTest::newRow("100000 x 100000") << grayTiff(100000, 100000, "x", ~0u) << true;
        QTest::newRow("zero width") << grayTiff(0, 10, QByteArray(16, 'x'), 16) << true;
    }

    void readFailures()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, tiff);
        QVERIFY(writeFile(m_dir.filePath("bad.tif"), content));
        QFile device(m_dir.filePath("bad.tif"));
        QVERIFY(device.open(QIODevice::ReadOnly));
        QCOMPARE(ZORTiffPlugin().capabilities(&device, {}),
                 tiff ? QImageIOPlugin::CanRead : QImageIOPlugin::Capabilities());
        QCOMPARE(device.pos(), 0); // peeked, not consumed
        ZORTiffHandler handler;
        handler.setDevice(&device);
        QImage image;
        QVERIFY(!handler.read(&image) && image.isNull());
        QCOMPARE(handler.status(), int(ZORTiffHandler::LibraryFailure));
    }

    void writeReadBack_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<QImage>("expected");
        QImage rgb(256, 1, QImage::Format_RGB32); // every 8-bit value in every channel
        for (int x = 0; x < 256; ++x)
            rgb.setPixel(x, 0, qRgb(x, 255 - x, x * 7 % 256));
        QTest::newRow("32-bit, every value") << rgb << rgb;
        const uchar* indices = reinterpret_cast<const uchar*>("\0\1\2\3"); // 3: no colour
        QImage indexed(indices, 4, 1, 4, QImage::Format_Indexed8);
        indexed.setColorTable({qRgb(10, 20, 30), qRgb(200, 100, 0), qRgb(0, 255, 1)});
        QImage colours(4, 1, QImage::Format_RGB32);
        for (int x = 0; x < 4; ++x)
            colours.setPixel(x, 0, x < 3 ? indexed.color(x) : qRgb(0, 0, 0));
        QTest::newRow("8-bit, index beyond the table") << indexed << colours;
    }

    void writeReadBack()
    {
        QFETCH(QImage, image);
        QFETCH(QImage, expected);
        const QString file = m_dir.filePath("written.tif");
        QVERIFY(QImageWriter(file, ZORTiffHandler::formatKey()).write(image));

        // The reader is checked against the library's own files above.
        QCOMPARE(QImageReader(file, ZORTiffHandler::formatKey()).read(), expected);

        QFile full(QStringLiteral("/dev/full")); // every write fails: no space left
        QVERIFY(full.open(QIODevice::WriteOnly));
        ZORTiffHandler handler;
        handler.setDevice(&full);
        QVERIFY(!handler.write(image));
        QCOMPARE(handler.status(), int(ZORTiffHandler::LibraryFailure));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestZORTiffHandler)
#include "tst_zortiffhandler.moc"
