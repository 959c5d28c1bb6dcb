#include "testimagelibrary.h"
#include "zortiffhandler.h"

#include <QBuffer>
#include <QDir>
#include <QImageReader>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace TestImageLibrary;

namespace {

// Reads through the handler under its own key, as the program does.
QImage readTiff(const QString& path, int* status = nullptr)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QImage();
    ZORTiffHandler handler;
    handler.setDevice(&file);
    QImage image;
    if (!handler.read(&image))
        image = QImage();
    if (status)
        *status = handler.status();
    return image;
}

// Device that takes a limited number of bytes, like a nearly full disk.
class FullDevice : public QIODevice
{
public:
    explicit FullDevice(qint64 room)
        : m_room(room)
    {
        open(QIODevice::WriteOnly);
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 length) override
    {
        if (m_room <= 0)
            return -1;
        const qint64 taken = std::min(length, m_room);
        m_room -= taken;
        return taken;
    }

private:
    qint64 m_room;
};

// 16-bit sample patterns with distinct upper and lower bytes.
quint16 sample16(int x, int y, int channel)
{
    return quint16((x * 4099 + y * 257 * 3 + channel * 12345) & 0xffff);
}

} // namespace

class TestZORTiffHandler : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    // Recognition and registration
    void header_data();
    void header();
    void registeredUnderItsOwnKey();
    void pluginCapabilities();

    // Reading
    void readValues_data();
    void readValues();
    void readFromMemoryDevice();
    void readNamesTheLibraryCouldMisread_data();
    void readNamesTheLibraryCouldMisread();
    void readOverlongNameIsRefused();
    void readPanoramaWiderThanSixteenThousand();
    void readFailures_data();
    void readFailures();

    // Writing
    void writeReadBack_data();
    void writeReadBack();
    void writeToFullDevice();

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestZORTiffHandler::initTestCase()
{
    start();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestZORTiffHandler::cleanupTestCase()
{
    m_dir.reset();
    stop();
}

void TestZORTiffHandler::header_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("tiff");

    QTest::newRow("little-endian") << QByteArray("II\x2a\x00", 4) << true;
    QTest::newRow("big-endian") << QByteArray("MM\x00\x2a", 4) << true;
    QTest::newRow("little-endian BigTIFF") << QByteArray("II\x2b\x00", 4) << true;
    QTest::newRow("big-endian BigTIFF") << QByteArray("MM\x00\x2b", 4) << true;
    QTest::newRow("little-endian with data") << QByteArray("II\x2a\x00\x08\x00", 6) << true;
    QTest::newRow("mixed byte order") << QByteArray("II\x00\x2a", 4) << false;
    QTest::newRow("big-endian mark, little value") << QByteArray("MM\x2a\x00", 4) << false;
    QTest::newRow("three bytes") << QByteArray("II\x2a", 3) << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("PNG") << QByteArray("\x89PNG\r\n\x1a\n", 8) << false;
    QTest::newRow("JPEG") << QByteArray("\xff\xd8\xff\xe0", 4) << false;
}

void TestZORTiffHandler::header()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, tiff);
    QCOMPARE(ZORTiffHandler::isTiffHeader(bytes), tiff);

    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    ZORTiffHandler handler;
    handler.setDevice(&buffer);
    QCOMPARE(handler.canRead(), tiff);
    QCOMPARE(buffer.pos(), qint64(0)); // peeked, not consumed
}

void TestZORTiffHandler::registeredUnderItsOwnKey()
{
    const QByteArray key = ZORTiffHandler::formatKey();
    QVERIFY(!key.isEmpty());
    QVERIFY(key != "tif" && key != "tiff");
    QVERIFY(QImageReader::supportedImageFormats().contains(key));
    QVERIFY(QImageWriter::supportedImageFormats().contains(key));
    // Registering again adds no second copy.
    ZORTiffHandler::registerHandler();
    QCOMPARE(QImageReader::supportedImageFormats().count(key), 1);

    // A 100-megapixel photograph fits Qt's limit even in a 64-bit format.
    QVERIFY(qint64(QImageReader::allocationLimit()) * 1024 * 1024 >= qint64(100'000'000) * 8);
}

void TestZORTiffHandler::pluginCapabilities()
{
    ZORTiffPlugin plugin;
    const QByteArray key = ZORTiffHandler::formatKey();
    const QImageIOPlugin::Capabilities both = QImageIOPlugin::CanRead | QImageIOPlugin::CanWrite;
    QCOMPARE(plugin.capabilities(nullptr, key), both);
    QCOMPARE(plugin.capabilities(nullptr, key.toUpper()), both);
    QCOMPARE(plugin.capabilities(nullptr, QByteArray()), QImageIOPlugin::Capabilities());
    QCOMPARE(plugin.capabilities(nullptr, "png"), QImageIOPlugin::Capabilities());

    QByteArray tiff("MM\x00\x2a\x00\x00\x00\x08", 8);
    QBuffer tiffBuffer(&tiff);
    QVERIFY(tiffBuffer.open(QIODevice::ReadOnly));
    QCOMPARE(plugin.capabilities(&tiffBuffer, QByteArray()), QImageIOPlugin::CanRead);

    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QBuffer pngBuffer(&png);
    QVERIFY(pngBuffer.open(QIODevice::ReadOnly));
    QCOMPARE(plugin.capabilities(&pngBuffer, QByteArray()), QImageIOPlugin::Capabilities());
}

void TestZORTiffHandler::readValues_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QImage>("expected");
    QTest::addColumn<int>("format");

    const int w = 37;
    const int h = 23;

    // 8-bit files hold v, which the library hands over as v * 257.
    {
        QImage expected(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                expected.setPixel(x, y, qRgb((x * 7) & 0xff, (y * 11) & 0xff, (x + y) & 0xff));
        QVERIFY(writeTiff(path("rgb8.tif"), w, h, 8, Kind::Rgb,
                          [&](int x, int y) { return samplesOf(expected.pixel(x, y)); }));
        QTest::newRow("8-bit RGB") << path("rgb8.tif") << expected << int(QImage::Format_RGB32);
        QVERIFY(writeTiff(
                path("big8.tif"), w, h, 8, Kind::Rgb,
                [&](int x, int y) { return samplesOf(expected.pixel(x, y)); }, NoCompression,
                "TIFF64"));
        QVERIFY(readFile(path("big8.tif")).startsWith(QByteArray("II\x2b\x00", 4)));
        QTest::newRow("8-bit RGB BigTIFF")
                << path("big8.tif") << expected << int(QImage::Format_RGB32);
    }
    // 16-bit samples keep their upper byte.
    {
        QImage expected(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                expected.setPixel(x, y,
                                  qRgb(sample16(x, y, 0) >> 8, sample16(x, y, 1) >> 8,
                                       sample16(x, y, 2) >> 8));
        const auto samples = [](int x, int y) {
            return Sample{sample16(x, y, 0), sample16(x, y, 1), sample16(x, y, 2), 0};
        };
        QVERIFY(writeTiff(path("rgb16.tif"), w, h, 16, Kind::Rgb, samples));
        QTest::newRow("16-bit RGB") << path("rgb16.tif") << expected << int(QImage::Format_RGB32);
        QVERIFY(writeTiff(path("rgb16zip.tif"), w, h, 16, Kind::Rgb, samples, ZipCompression));
        QTest::newRow("16-bit RGB, deflated")
                << path("rgb16zip.tif") << expected << int(QImage::Format_RGB32);
    }
    {
        QImage expected(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                expected.setPixel(x, y,
                                  qRgb(sample16(x, y, 0) >> 8, sample16(x, y, 0) >> 8,
                                       sample16(x, y, 0) >> 8));
        QVERIFY(writeTiff(path("gray16.tif"), w, h, 16, Kind::Gray, [](int x, int y) {
            return Sample{sample16(x, y, 0), 0, 0, 0};
        }));
        QTest::newRow("16-bit grey")
                << path("gray16.tif") << expected << int(QImage::Format_Indexed8);
    }
    {
        // Only three grey levels, the highest 250: every index still has its colour.
        const int levels[] = {0, 17, 250};
        QImage expected(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                expected.setPixel(
                        x, y, qRgb(levels[(x + y) % 3], levels[(x + y) % 3], levels[(x + y) % 3]));
        QVERIFY(writeTiff(path("gray3.tif"), w, h, 8, Kind::Gray, [&](int x, int y) {
            return Sample{quint16(levels[(x + y) % 3] * 257), 0, 0, 0};
        }));
        QTest::newRow("8-bit grey, three levels")
                << path("gray3.tif") << expected << int(QImage::Format_Indexed8);
    }
    {
        QByteArray pixels;
        QImage expected(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const int v = (x * 13 + y * 5) & 0xff;
                pixels.append(char(v));
                expected.setPixel(x, y, qRgb(v, v, v));
            }
        }
        QVERIFY(writeFile(path("handmade.tif"), grayTiff(w, h, pixels, quint32(pixels.size()))));
        QTest::newRow("hand-made 8-bit grey")
                << path("handmade.tif") << expected << int(QImage::Format_Indexed8);
    }
    {
        const std::vector<Sample> palette = {{0xffff, 0x0000, 0x0000, 0},
                                             {0x0012, 0x34ff, 0xab01, 0},
                                             {0x7fff, 0x8000, 0x0100, 0},
                                             {0xc0c0, 0x0f0f, 0xfefe, 0}};
        QImage expected(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const Sample& c = palette[size_t((x * 3 + y) % 4)];
                expected.setPixel(x, y, qRgb(c[0] >> 8, c[1] >> 8, c[2] >> 8));
            }
        }
        QVERIFY(writePaletteTiff(path("palette.tif"), w, h, palette,
                                 [](int x, int y) { return (x * 3 + y) % 4; }));
        QTest::newRow("palette") << path("palette.tif") << expected << int(QImage::Format_RGB32);
    }
    {
        // Pure inks: none is white, cyan takes the red, black takes everything.
        struct Ink
        {
            Sample cmyk;
            QRgb rgb;
        };
        const Ink inks[] = {{{0, 0, 0, 0}, qRgb(255, 255, 255)},
                            {{0xffff, 0, 0, 0}, qRgb(0, 255, 255)},
                            {{0, 0xffff, 0, 0}, qRgb(255, 0, 255)},
                            {{0, 0, 0xffff, 0}, qRgb(255, 255, 0)},
                            {{0, 0, 0, 0xffff}, qRgb(0, 0, 0)}};
        QImage expected(5, 2, QImage::Format_RGB32);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 5; ++x)
                expected.setPixel(x, y, inks[x].rgb);
        QVERIFY(writeTiff(path("cmyk.tif"), 5, 2, 8, Kind::Cmyk,
                          [&](int x, int) { return inks[x].cmyk; }));
        QTest::newRow("CMYK") << path("cmyk.tif") << expected << int(QImage::Format_RGB32);
    }
}

void TestZORTiffHandler::readValues()
{
    QFETCH(QString, file);
    QFETCH(QImage, expected);
    QFETCH(int, format);

    int status = 1;
    const QImage image = readTiff(file, &status);
    QCOMPARE(status, int(ZORTiffHandler::Success));
    QCOMPARE(int(image.format()), format);
    if (image.format() == QImage::Format_Indexed8) {
        // Grey images carry the full grey ramp.
        QCOMPARE(image.colorCount(), 256);
        for (int i = 0; i < 256; ++i)
            QCOMPARE(image.color(i), qRgb(i, i, i));
    }
    QCOMPARE(firstDifference(image, expected), QString());

    // Through Qt under the handler's key, whatever the file is called.
    const QString renamed = file + QStringLiteral(".png");
    QVERIFY(QFile::copy(file, renamed));
    QImageReader reader(renamed, ZORTiffHandler::formatKey());
    const QImage viaQt = reader.read();
    QCOMPARE(firstDifference(viaQt, expected), QString());
    QFile::remove(renamed);
}

void TestZORTiffHandler::readFromMemoryDevice()
{
    QImage expected(9, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 9; ++x)
            expected.setPixel(
                    x, y,
                    qRgb(sample16(x, y, 0) >> 8, sample16(x, y, 1) >> 8, sample16(x, y, 2) >> 8));
    QVERIFY(writeTiff(path("memory.tif"), 9, 4, 16, Kind::Rgb, [](int x, int y) {
        return Sample{sample16(x, y, 0), sample16(x, y, 1), sample16(x, y, 2), 0};
    }));
    QByteArray data = readFile(path("memory.tif"));
    QBuffer buffer(&data);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QImageReader reader(&buffer, ZORTiffHandler::formatKey());
    const QImage image = reader.read();
    QCOMPARE(firstDifference(image, expected), QString());
}

void TestZORTiffHandler::readNamesTheLibraryCouldMisread_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("frame selector at the end") << QStringLiteral("shot.tif[1]");
    QTest::newRow("region at the end") << QStringLiteral("shot.tif[2x2+1+1]");
    QTest::newRow("coder prefix") << QStringLiteral("png:shot.tif");
    QTest::newRow("file list mark") << QStringLiteral("@shot.tif");
    QTest::newRow("scene number pattern") << QStringLiteral("shot%03d.tif");
    QTest::newRow("spaces and umlauts") << QStringLiteral("Bär am See.tif");
}

void TestZORTiffHandler::readNamesTheLibraryCouldMisread()
{
    QFETCH(QString, name);
    QImage expected(6, 5, QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            expected.setPixel(x, y, qRgb(x * 40, y * 50, 99));
    // Written under a plain name: the library would misread the odd one itself.
    QVERIFY(writeTiff(path("plain.tif"), 6, 5, 8, Kind::Rgb,
                      [&](int x, int y) { return samplesOf(expected.pixel(x, y)); }));
    QVERIFY(QFile::rename(path("plain.tif"), path(name)));
    int status = 1;
    const QImage image = readTiff(path(name), &status);
    QCOMPARE(status, int(ZORTiffHandler::Success));
    QCOMPARE(firstDifference(image, expected), QString());
}

void TestZORTiffHandler::readOverlongNameIsRefused()
{
    QString decoy;
    const QString file = overlongPath(m_dir->path(), &decoy);
    QCOMPARE(QFile::encodeName(file).size(), 4093);
    QVERIFY(writeFile(file, readFile(path("rgb8.tif"))));
    // Where a name cut to the field's size would lead lies another, valid image.
    QVERIFY(writeFile(decoy, readFile(path("gray3.tif"))));

    int status = 1;
    QVERIFY(readTiff(file, &status).isNull());
    QCOMPARE(status, int(ZORTiffHandler::LibraryFailure));

    // The content itself is fine.
    QByteArray data = readFile(file);
    QBuffer buffer(&data);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QVERIFY(!QImageReader(&buffer, ZORTiffHandler::formatKey()).read().isNull());
    QVERIFY(QDir(m_dir->path() + QLatin1Char('/') + QString(200, QLatin1Char('d')))
                    .removeRecursively());
}

void TestZORTiffHandler::readPanoramaWiderThanSixteenThousand()
{
    // Wider than the system's default limit of the library: our policy is in effect.
    const int width = 17000;
    QByteArray pixels;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < width; ++x)
            pixels.append(char((x + y * 3) & 0xff));
    QVERIFY(writeFile(path("panorama.tif"), grayTiff(width, 2, pixels, quint32(pixels.size()))));
    const QImage image = readTiff(path("panorama.tif"));
    QCOMPARE(image.size(), QSize(width, 2));
    QCOMPARE(qGray(image.pixel(16999, 1)), (16999 + 3) & 0xff);
}

void TestZORTiffHandler::readFailures_data()
{
    QTest::addColumn<QByteArray>("content");

    const QByteArray rgb8 = readFile(path("rgb8.tif"));
    QVERIFY(rgb8.size() > 1000);

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("header only") << QByteArray("II\x2a\x00", 4);
    QTest::newRow("header pointing nowhere") << QByteArray("II\x2a\x00\xff\xff\x00\x00", 8);
    QTest::newRow("PNG data") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    QTest::newRow("first half of a TIFF") << rgb8.left(rgb8.size() / 2);
    QTest::newRow("strips cut short") << grayTiff(64, 64, QByteArray(100, 'x'), 4096);
    QTest::newRow("100000 x 100000") << grayTiff(100000, 100000, QByteArray(16, 'x'), 0xffffffffu);
    QTest::newRow("60000 x 60000") << grayTiff(60000, 60000, QByteArray(16, 'x'), 0xffffffffu);
    QTest::newRow("20000 x 20000") << grayTiff(20000, 20000, QByteArray(16, 'x'), 400000000u);
    QTest::newRow("zero width") << grayTiff(0, 10, QByteArray(16, 'x'), 16);
}

void TestZORTiffHandler::readFailures()
{
    QFETCH(QByteArray, content);
    const QString file = path(QStringLiteral("bad.tif"));
    QVERIFY(writeFile(file, content));

    int status = 1;
    QVERIFY(readTiff(file, &status).isNull());
    QCOMPARE(status, int(ZORTiffHandler::LibraryFailure));

    QImageReader reader(file, ZORTiffHandler::formatKey());
    QVERIFY(reader.read().isNull());
}

void TestZORTiffHandler::writeReadBack_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<QImage>("expected");

    QRandomGenerator random(8);
    QImage rgb(61, 45, QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            rgb.setPixel(x, y, 0xff000000u | random.bounded(0x1000000u));
    QTest::newRow("32-bit, every value") << rgb << rgb;

    QImage extremes(4, 1, QImage::Format_RGB32);
    extremes.setPixel(0, 0, qRgb(0, 0, 0));
    extremes.setPixel(1, 0, qRgb(1, 127, 128));
    extremes.setPixel(2, 0, qRgb(254, 255, 0));
    extremes.setPixel(3, 0, qRgb(255, 255, 255));
    QTest::newRow("32-bit, extremes") << extremes << extremes;

    QImage alpha(3, 2, QImage::Format_ARGB32);
    QImage opaque(3, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            alpha.setPixel(x, y, qRgba(x * 90, y * 200, 33, x * 100));
            opaque.setPixel(x, y, qRgb(x * 90, y * 200, 33));
        }
    }
    QTest::newRow("32-bit with alpha, alpha dropped") << alpha << opaque;

    QImage indexed(5, 3, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(10, 20, 30), qRgb(200, 100, 0), qRgb(0, 255, 1)});
    QImage indexedExpected(5, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            const int index = (x + y) % 4; // 3 lies beyond the table
            indexed.scanLine(y)[x] = uchar(index);
            indexedExpected.setPixel(x, y, index < 3 ? indexed.color(index) : qRgb(0, 0, 0));
        }
    }
    QTest::newRow("8-bit with colour table") << indexed << indexedExpected;

    QImage gray(7, 2, QImage::Format_Grayscale8);
    QImage grayExpected(7, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 7; ++x) {
            gray.scanLine(y)[x] = uchar(x * 40 + y);
            grayExpected.setPixel(x, y, qRgb(x * 40 + y, x * 40 + y, x * 40 + y));
        }
    }
    QTest::newRow("8-bit grey without table") << gray << grayExpected;

    QImage rgb888(3, 3, QImage::Format_RGB888);
    QImage rgb888Expected(3, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) {
            rgb888.setPixel(x, y, qRgb(x * 100, y * 100, 7));
            rgb888Expected.setPixel(x, y, qRgb(x * 100, y * 100, 7));
        }
    }
    QTest::newRow("24-bit") << rgb888 << rgb888Expected;
}

void TestZORTiffHandler::writeReadBack()
{
    QFETCH(QImage, image);
    QFETCH(QImage, expected);

    const QString file = path(QStringLiteral("written.tif"));
    {
        QImageWriter writer(file, ZORTiffHandler::formatKey());
        QVERIFY2(writer.write(image), qPrintable(writer.errorString()));
    }
    QCOMPARE(readFile(file).left(4), QByteArray("II\x2a\x00", 4));

    // The library alone finds 8-bit samples holding exactly the image's values.
    const MagickPixels pixels = readWithLibrary(file);
    QCOMPARE(pixels.depth, size_t(8));
    QCOMPARE(pixels.width, expected.width());
    QCOMPARE(pixels.height, expected.height());
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb e = expected.pixel(x, y);
            const Sample& s = pixels.samples[size_t(y * expected.width() + x)];
            if (s[0] != qRed(e) * 257 || s[1] != qGreen(e) * 257 || s[2] != qBlue(e) * 257) {
                QFAIL(qPrintable(QStringLiteral("(%1, %2): %3 %4 %5, expected %6")
                                         .arg(x)
                                         .arg(y)
                                         .arg(s[0])
                                         .arg(s[1])
                                         .arg(s[2])
                                         .arg(e, 8, 16, QLatin1Char('0'))));
            }
        }
    }

    // And our reader gives the same 8-bit values back.
    QCOMPARE(firstDifference(readTiff(file), expected), QString());
}

void TestZORTiffHandler::writeToFullDevice()
{
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(qRgb(1, 2, 3));
    FullDevice device(1000);
    ZORTiffHandler handler;
    handler.setDevice(&device);
    QVERIFY(!handler.write(image));
    QCOMPARE(handler.status(), int(ZORTiffHandler::LibraryFailure));

    QBuffer room;
    QVERIFY(room.open(QIODevice::WriteOnly));
    handler.setDevice(&room);
    QVERIFY(handler.write(image));
    QCOMPARE(handler.status(), int(ZORTiffHandler::Success));
    QVERIFY(room.size() > 200 * 100 * 3);

    QVERIFY(!handler.write(QImage()));
}

QTEST_MAIN(TestZORTiffHandler)
#include "tst_zortiffhandler.moc"
