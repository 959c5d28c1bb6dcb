#include "testimagelibrary.h"
#include "testsettings.h"
#include "zorerror.h"
#include "zorimagefile.h"
#include "zortiffhandler.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QImageIOPlugin>
#include <QImageReader>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <memory>
#include <unistd.h>

using namespace TestImageLibrary;

namespace {

const char* const kUnrecognized = "Cannot read this file.\nThe image format is unrecognized.";
const char* const kReadFailed = "Sorry, reading this image file failed.";

QImage randomImage(int width, int height, QImage::Format format, quint32 seed)
{
    QImage image(width, height, format);
    QRandomGenerator random(seed);
    if (format == QImage::Format_RGBA32FPx4) { // random bytes would make NaNs
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.setPixelColor(x, y, QColor::fromRgba(random.generate()));
        return image;
    }
    for (int y = 0; y < height; ++y) {
        uchar* line = image.scanLine(y);
        for (qsizetype i = 0; i < image.bytesPerLine(); ++i)
            line[i] = uchar(random.bounded(256));
        if (format == QImage::Format_RGB32) {
            for (int x = 0; x < width; ++x)
                reinterpret_cast<QRgb*>(line)[x] |= 0xff000000u;
        }
    }
    if (format == QImage::Format_Indexed8) {
        image.setColorCount(256);
        for (int i = 0; i < 256; ++i)
            image.setColor(i, 0xff000000u | random.bounded(0x1000000u));
    } else if (format == QImage::Format_Mono || format == QImage::Format_MonoLSB) {
        image.setColorTable({qRgb(255, 255, 255), qRgb(20, 40, 60)});
    }
    return image;
}

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.write(image);
    return data;
}

// Largest difference of any channel, or -1 when the sizes differ.
int largestDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return -1;
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
        }
    }
    return worst;
}

quint32 crc32(const QByteArray& data)
{
    quint32 crc = 0xffffffffu;
    for (const char c : data) {
        crc ^= uchar(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A PNG signature and header chunk claiming the given size, and nothing after it.
QByteArray pngHeaderOnly(quint32 width, quint32 height)
{
    QByteArray chunk("IHDR");
    for (const quint32 value : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8)
            chunk.append(char((value >> shift) & 0xff));
    chunk.append("\x08\x02\x00\x00\x00", 5); // 8-bit RGB
    QByteArray data("\x89PNG\r\n\x1a\n\x00\x00\x00\x0d", 12);
    data += chunk;
    const quint32 crc = crc32(chunk);
    for (int shift = 24; shift >= 0; shift -= 8)
        data.append(char((crc >> shift) & 0xff));
    return data;
}

} // namespace

// Stands for another TIFF reader installed beside ours (Qt's own plugin claims "tif" and
// "tiff" when present): it answers every TIFF with one magenta pixel and writes nothing.
class DecoyTiffHandler : public QImageIOHandler
{
public:
    bool canRead() const override { return ZORTiffHandler::isTiffHeader(device()->peek(4)); }
    bool read(QImage* image) override
    {
        *image = QImage(1, 1, QImage::Format_RGB32);
        image->fill(qRgb(255, 0, 255));
        return true;
    }
    bool write(const QImage&) override { return false; }
};

class DecoyTiffPlugin : public QImageIOPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "decoytiffplugin.json")

public:
    Capabilities capabilities(QIODevice* device, const QByteArray& format) const override
    {
        if (format == "tif" || format == "tiff")
            return CanRead | CanWrite;
        if (format.isEmpty() && device && ZORTiffHandler::isTiffHeader(device->peek(4)))
            return CanRead;
        return {};
    }
    QImageIOHandler* create(QIODevice* device, const QByteArray& format) const override
    {
        auto* handler = new DecoyTiffHandler;
        handler->setDevice(device);
        handler->setFormat(format);
        return handler;
    }
};

extern const QStaticPlugin qt_static_plugin_DecoyTiffPlugin();

class TestZORImageFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    // Loading
    void loadFormats_data();
    void loadFormats();
    void loadTiffByContent_data();
    void loadTiffByContent();
    void loadFailures_data();
    void loadFailures();
    void loadHundredMegapixels_data();
    void loadHundredMegapixels();

    // Export
    void exportFormatsOfferTif();
    void exportFileName_data();
    void exportFileName();
    void saveRoundTrip_data();
    void saveRoundTrip();
    void saveTifReadByLibrary();
    void saveKeepsOtherExtension();
    void saveFailureReportsAndKeepsOldFile();
    void askExportFileName_data();
    void askExportFileName();
    void askOpenImageFileName_data();
    void askOpenImageFileName();

    // Rotation
    void rotateThreeByTwo();
    void rotateFormats_data();
    void rotateFormats();
    void rotateNullWarns();

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TestSettings> m_settings;
    std::unique_ptr<ZORError> m_error;
    QList<ZORMessageBoxRequest> m_boxes;
    QList<ZORImageFile::FileDialogRequest> m_dialogs;
    int m_answer = 0;
    QString m_chosenFile;
};

void TestZORImageFile::initTestCase()
{
    start();
    qRegisterStaticPluginFunction(qt_static_plugin_DecoyTiffPlugin());
    QVERIFY(QImageReader::supportedImageFormats().contains("tiff"));
    QVERIFY(QImageWriter::supportedImageFormats().contains("tiff"));
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestZORImageFile::cleanupTestCase()
{
    m_dir.reset();
    stop();
}

void TestZORImageFile::init()
{
    m_settings = std::make_unique<TestSettings>();
    m_settings->home = m_dir->path();
    m_settings->initTexts();
    m_error = std::make_unique<ZORError>();
    m_boxes.clear();
    m_dialogs.clear();
    m_answer = 0;
    setMessageBoxHook([this](const ZORMessageBoxRequest& request) {
        m_boxes.append(request);
        return m_answer;
    });
    ZORImageFile::setFileDialogHook([this](const ZORImageFile::FileDialogRequest& request) {
        m_dialogs.append(request);
        return m_chosenFile;
    });
}

void TestZORImageFile::cleanup()
{
    setMessageBoxHook({});
    ZORImageFile::setFileDialogHook({});
    m_error.reset();
    m_settings.reset();
    QVERIFY(!QApplication::overrideCursor());
}

void TestZORImageFile::loadFormats_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QImage>("expected");
    QTest::addColumn<int>("tolerance");

    const QImage rgb = randomImage(53, 31, QImage::Format_RGB32, 1);
    QTest::newRow("PNG") << encoded(rgb, "png") << rgb << 0;
    QTest::newRow("BMP") << encoded(rgb, "bmp") << rgb << 0;
    QTest::newRow("PPM") << encoded(rgb, "ppm") << rgb << 0;

    QImage smooth(40, 30, QImage::Format_RGB32);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            smooth.setPixel(x, y, qRgb(x * 6, y * 8, 128));
    QTest::newRow("JPEG") << encoded(smooth, "jpeg") << smooth << 16;

    // Indexed images: every pixel is its table colour.
    for (const QImage::Format format : {QImage::Format_Indexed8, QImage::Format_Mono}) {
        const QImage indexed = randomImage(19, 7, format, 2);
        QImage expected(indexed.size(), QImage::Format_RGB32);
        for (int y = 0; y < indexed.height(); ++y)
            for (int x = 0; x < indexed.width(); ++x)
                expected.setPixel(x, y, indexed.color(indexed.pixelIndex(x, y)));
        QTest::addRow("%d-bit palette PNG", indexed.depth())
                << encoded(indexed, "png") << expected << 0;
    }

    // 16-bit samples that are exact multiples of 257 come back as their 8-bit value.
    QImage deep(11, 5, QImage::Format_RGBX64);
    QImage deepExpected(11, 5, QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 11; ++x) {
            deep.setPixelColor(x, y, QColor::fromRgba64(x * 20 * 257, y * 50 * 257, 3 * 257));
            deepExpected.setPixel(x, y, qRgb(x * 20, y * 50, 3));
        }
    }
    QTest::newRow("16-bit PNG") << encoded(deep, "png") << deepExpected << 0;
}

void TestZORImageFile::loadFormats()
{
    QFETCH(QByteArray, content);
    QFETCH(QImage, expected);
    QFETCH(int, tolerance);

    QVERIFY(writeFile(path("image"), content));
    QWidget parent;
    const QImage image = ZORImageFile::loadImage(path("image"), &parent);
    QVERIFY(m_boxes.isEmpty());
    QCOMPARE(image.format(), QImage::Format_RGB32);
    const int difference = largestDifference(image, expected);
    QVERIFY2(difference >= 0 && difference <= tolerance, qPrintable(QString::number(difference)));
}

void TestZORImageFile::loadTiffByContent_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("depth");

    for (const char* name : {"shot.tif", "shot.TIFF", "shot.png", "shot.jpg", "shot"}) {
        QTest::addRow("8-bit as %s", name) << QString::fromLatin1(name) << 8;
        QTest::addRow("16-bit as %s", name) << QString::fromLatin1(name) << 16;
    }
}

void TestZORImageFile::loadTiffByContent()
{
    QFETCH(QString, name);
    QFETCH(int, depth);

    // 8-bit files hold whole multiples of 257; 16-bit ones any value, of which the upper
    // byte is shown.
    const auto value = [depth](int x, int y, int c) {
        const int v = (x * 37 + y * 101 + c * 59) & 0xffff;
        return quint16(depth == 8 ? (v & 0xff) * 257 : v);
    };
    QImage expected(29, 13, QImage::Format_RGB32);
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            expected.setPixel(x, y,
                              qRgb(value(x, y, 0) >> 8, value(x, y, 1) >> 8, value(x, y, 2) >> 8));
    QVERIFY(writeTiff(path(name), expected.width(), expected.height(), depth, Kind::Rgb,
                      [&](int x, int y) {
                          return Sample{value(x, y, 0), value(x, y, 1), value(x, y, 2), 0};
                      }));

    // Read by our handler although the decoy reader also claims TIFF.
    QCOMPARE(ZORImageFile::imageFileFormat(path(name)), ZORTiffHandler::formatKey());
    const QImage image = ZORImageFile::loadImage(path(name), nullptr);
    QVERIFY(m_boxes.isEmpty());
    QCOMPARE(image.format(), QImage::Format_RGB32);
    QCOMPARE(firstDifference(image, expected), QString());
}

void TestZORImageFile::loadFailures_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("message"); // empty: no message, "loads": a clean load

    const QImage photo = randomImage(64, 48, QImage::Format_RGB32, 4);
    const QByteArray png = encoded(photo, "png");
    const QByteArray jpeg = encoded(photo, "jpeg");
    QVERIFY(writeTiff(path("whole.tif"), 64, 48, 8, Kind::Rgb, [](int x, int y) {
        return Sample{quint16(x * 999), quint16(y), 0, 0};
    }));
    const QByteArray tiff = readFile(path("whole.tif"));

    QVERIFY(writeFile(path("empty.png"), QByteArray()));
    QVERIFY(writeFile(path("text.png"), "This is not a picture.\n"));
    QVERIFY(writeFile(path("cut.png"), png.left(png.size() / 2)));
    QVERIFY(writeFile(path("cut.jpg"), jpeg.left(jpeg.size() / 2)));
    QVERIFY(writeFile(path("cut.tif"), tiff.left(tiff.size() / 2)));
    QVERIFY(writeFile(path("absurd.tif"),
                      grayTiff(100000, 100000, QByteArray(64, 'x'), 0xffffffffu)));
    QVERIFY(writeFile(path("absurd.png"), pngHeaderOnly(100000, 100000)));
    QVERIFY(writeFile(path("tooBigForQt.png"), pngHeaderOnly(20000, 20000)));
    QVERIFY(QDir().mkpath(path("folder.png")));
    QVERIFY(QFile::link(path("nowhere.png"), path("dangling.png")));

    QTest::newRow("empty name") << QString() << QString();
    QTest::newRow("missing file") << path("missing.png") << kUnrecognized;
    QTest::newRow("empty file") << path("empty.png") << kUnrecognized;
    QTest::newRow("text file named .png") << path("text.png") << kUnrecognized;
    QTest::newRow("directory") << path("folder.png") << kUnrecognized;
    QTest::newRow("dangling link") << path("dangling.png") << kUnrecognized;
    QTest::newRow("truncated PNG") << path("cut.png") << kReadFailed;
    QTest::newRow("truncated JPEG") << path("cut.jpg") << QStringLiteral("loads");
    QTest::newRow("truncated TIFF") << path("cut.tif") << kReadFailed;
    QTest::newRow("TIFF header of 100000 x 100000") << path("absurd.tif") << kReadFailed;
    QTest::newRow("PNG header of 100000 x 100000") << path("absurd.png") << kReadFailed;
    QTest::newRow("PNG beyond Qt's limit") << path("tooBigForQt.png") << kReadFailed;

    if (::geteuid() != 0) {
        QVERIFY(writeFile(path("locked.png"), png));
        QVERIFY(QFile::setPermissions(path("locked.png"), QFileDevice::WriteOwner));
        QTest::newRow("unreadable file") << path("locked.png") << kUnrecognized;
    }

    // Opens, but does not fit the library's name field: refused, never cut to the name of
    // the file lying where the cut name points.
    QString decoy;
    const QString overlong = overlongPath(m_dir->path(), &decoy);
    QVERIFY(writeFile(overlong, tiff));
    QVERIFY(writeFile(decoy, tiff));
    QTest::newRow("overlong name") << overlong << kReadFailed;
}

void TestZORImageFile::loadFailures()
{
    QFETCH(QString, file);
    QFETCH(QString, message);

    QWidget parent;
    const QImage image = ZORImageFile::loadImage(file, &parent);
    if (message == QLatin1String("loads")) {
        QVERIFY(m_boxes.isEmpty());
        QCOMPARE(image.format(), QImage::Format_RGB32);
        return;
    }
    QVERIFY(image.isNull());
    if (message.isEmpty()) {
        QVERIFY(m_boxes.isEmpty());
        return;
    }
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.first().text, message);
    QCOMPARE(m_boxes.first().parent, &parent);
    QCOMPARE(m_boxes.first().icon, QMessageBox::Warning);
    QCOMPARE(m_error->kind(), 3);
    QCOMPARE(m_error->code(), 5);
}

void TestZORImageFile::loadHundredMegapixels_data()
{
    QTest::addColumn<QString>("file");

    const int width = 12000;
    const int height = 8400;
    // Grey TIFF: 100 MB on disk, 800 MB in the library's cache, 400 MB as our image.
    QByteArray pixels(qsizetype(width) * height, '\0');
    for (qsizetype i = 0; i < pixels.size(); i += 4099)
        pixels[i] = char(i & 0xff);
    QVERIFY(writeFile(path("big.tif"), grayTiff(width, height, pixels, quint32(pixels.size()))));
    QTest::newRow("TIFF") << path("big.tif");

    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(20, 90, 160));
    QImageWriter writer(path("big.png"));
    writer.setQuality(90); // quick compression
    QVERIFY(writer.write(image));
    QTest::newRow("PNG") << path("big.png");
}

void TestZORImageFile::loadHundredMegapixels()
{
    QFETCH(QString, file);
    const QImage image = ZORImageFile::loadImage(file, nullptr);
    QVERIFY(m_boxes.isEmpty());
    QCOMPARE(image.size(), QSize(12000, 8400));
    QCOMPARE(image.format(), QImage::Format_RGB32);
    QFile::remove(file);
}

void TestZORImageFile::exportFormatsOfferTif()
{
    const QStringList formats = ZORImageFile::exportFormats();
    QCOMPARE(formats.count(QStringLiteral("TIF")), 1);
    QVERIFY(!formats.contains(QStringLiteral("TIFF")));
    QVERIFY(formats.contains(QStringLiteral("PNG")));
    QVERIFY(formats.contains(QStringLiteral("BMP")));
    QVERIFY(!formats.contains(QString::fromLatin1(ZORTiffHandler::formatKey()).toUpper()));
    QStringList sorted = formats;
    sorted.sort();
    QCOMPARE(formats, sorted);
    for (const QString& format : formats)
        QCOMPARE(format, format.toUpper());
}

void TestZORImageFile::exportFileName_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("written");

    QTest::newRow("no extension") << "/tmp/shot"
                                  << "PNG"
                                  << "/tmp/shot.png";
    QTest::newRow("trailing dot") << "/tmp/shot."
                                  << "PNG"
                                  << "/tmp/shot.png";
    QTest::newRow("other extension kept") << "/tmp/shot.jpg"
                                          << "PNG"
                                          << "/tmp/shot.jpg";
    QTest::newRow("upper-case extension kept") << "/tmp/shot.PNG"
                                               << "PNG"
                                               << "/tmp/shot.PNG";
    QTest::newRow("dot in the folder only") << "/tmp/a.b/shot"
                                            << "BMP"
                                            << "/tmp/a.b/shot.bmp";
    QTest::newRow("TIF") << "shot"
                         << "TIF"
                         << "shot.tif";
    QTest::newRow("two extensions kept") << "shot.tar.gz"
                                         << "PNG"
                                         << "shot.tar.gz";
    QTest::newRow("hidden file") << "/tmp/.shot"
                                 << "PNG"
                                 << "/tmp/.shot";
    QTest::newRow("two trailing dots") << "shot.."
                                       << "PNG"
                                       << "shot..png";
}

void TestZORImageFile::exportFileName()
{
    QFETCH(QString, chosen);
    QFETCH(QString, format);
    QFETCH(QString, written);
    QCOMPARE(ZORImageFile::exportFileName(chosen, format), written);
}

void TestZORImageFile::saveRoundTrip_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QByteArray>("magic");
    QTest::addColumn<int>("tolerance");

    QTest::newRow("PNG") << "PNG" << QByteArray("\x89PNG") << 0;
    QTest::newRow("BMP") << "BMP" << QByteArray("BM") << 0;
    QTest::newRow("PPM") << "PPM" << QByteArray("P6") << 0;
    QTest::newRow("TIF") << "TIF" << QByteArray("II\x2a\x00", 4) << 0;
    QTest::newRow("tiff, lower case") << "tiff" << QByteArray("II\x2a\x00", 4) << 0;
    QTest::newRow("JPEG") << "JPEG" << QByteArray("\xff\xd8") << 40;
}

void TestZORImageFile::saveRoundTrip()
{
    QFETCH(QString, format);
    QFETCH(QByteArray, magic);
    QFETCH(int, tolerance);

    QImage smooth = randomImage(45, 28, QImage::Format_RGB32, 5);
    if (tolerance > 0) // lossy: a gentle gradient
        for (int y = 0; y < smooth.height(); ++y)
            for (int x = 0; x < smooth.width(); ++x)
                smooth.setPixel(x, y, qRgb(x * 5, y * 9, 200));
    const QString file = path(QStringLiteral("saved.") + format.toLower());
    QVERIFY(ZORImageFile::saveImage(smooth, file, format));
    QVERIFY(readFile(file).startsWith(magic));
    const QImage back = ZORImageFile::loadImage(file, nullptr);
    const int difference = largestDifference(back, smooth);
    QVERIFY2(difference >= 0 && difference <= tolerance, qPrintable(QString::number(difference)));
}

void TestZORImageFile::saveTifReadByLibrary()
{
    const QImage image = randomImage(33, 21, QImage::Format_RGB32, 6);
    QVERIFY(ZORImageFile::saveImage(image, path("export.tif"), QStringLiteral("TIF")));
    const MagickPixels pixels = readWithLibrary(path("export.tif"));
    QCOMPARE(pixels.depth, size_t(8));
    QCOMPARE(QSize(pixels.width, pixels.height), image.size());
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const Sample& s = pixels.samples[size_t(y * image.width() + x)];
            const QRgb p = image.pixel(x, y);
            QCOMPARE(QRgb(qRgb(s[0] >> 8, s[1] >> 8, s[2] >> 8)), p);
        }
    }
}

void TestZORImageFile::saveKeepsOtherExtension()
{
    const QImage image = randomImage(8, 8, QImage::Format_RGB32, 7);
    const QString file = ZORImageFile::exportFileName(path("photo.jpg"), QStringLiteral("PNG"));
    QCOMPARE(file, path("photo.jpg"));
    QVERIFY(ZORImageFile::saveImage(image, file, QStringLiteral("PNG")));
    QVERIFY(readFile(file).startsWith("\x89PNG"));
}

void TestZORImageFile::saveFailureReportsAndKeepsOldFile()
{
    const QImage image = randomImage(8, 8, QImage::Format_RGB32, 8);
    QVERIFY(writeFile(path("old.png"), "old content"));

    // A format nobody writes: the old file stays as it was.
    QVERIFY(!ZORImageFile::saveImage(image, path("old.png"), QStringLiteral("NOSUCH")));
    QCOMPARE(readFile(path("old.png")), QByteArray("old content"));
    QVERIFY(!ZORImageFile::saveImage(QImage(), path("old.png"), QStringLiteral("PNG")));
    QCOMPARE(readFile(path("old.png")), QByteArray("old content"));
    QVERIFY(m_boxes.isEmpty());

    // A folder that does not exist, through the export path with its message.
    QWidget parent;
    QVERIFY(!ZORImageFile::exportImage(image, path("no/such/folder/x.png"), QStringLiteral("PNG"),
                                       &parent));
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.first().text, QStringLiteral("Cannot save the image."));
    QCOMPARE(m_boxes.first().parent, &parent);
    QCOMPARE(m_error->kind(), 3);
    QCOMPARE(m_error->code(), 8);

    m_boxes.clear();
    QVERIFY(ZORImageFile::exportImage(image, path("fine.png"), QStringLiteral("PNG"), &parent));
    QVERIFY(m_boxes.isEmpty());
    QCOMPARE(largestDifference(ZORImageFile::loadImage(path("fine.png"), nullptr), image), 0);
}

void TestZORImageFile::askExportFileName_data()
{
    QTest::addColumn<QString>("chosen");   // what the dialog answers
    QTest::addColumn<bool>("exists");      // a file of the final name exists
    QTest::addColumn<int>("answer");       // button pressed in the overwrite box
    QTest::addColumn<QString>("expected"); // empty: nothing to do

    QTest::newRow("cancelled") << QString() << false << 0 << QString();
    QTest::newRow("new name") << "new" << false << 0 << "new.png";
    QTest::newRow("existing, yes") << "old" << true << 0 << "old.png";
    QTest::newRow("existing, no") << "old" << true << 1 << QString();
    QTest::newRow("existing, closed") << "old" << true << -1 << QString();
}

void TestZORImageFile::askExportFileName()
{
    QFETCH(QString, chosen);
    QFETCH(bool, exists);
    QFETCH(int, answer);
    QFETCH(QString, expected);

    m_chosenFile = chosen.isEmpty() ? QString() : path(chosen);
    m_answer = answer;
    QFile::remove(path(chosen + QStringLiteral(".png")));
    if (exists)
        QVERIFY(writeFile(path(chosen + QStringLiteral(".png")), "x"));

    QWidget parent;
    const QString name = ZORImageFile::askExportFileName(&parent, QStringLiteral("PNG"));
    QCOMPARE(name, expected.isEmpty() ? QString() : path(expected));

    QCOMPARE(m_dialogs.size(), 1);
    const ZORImageFile::FileDialogRequest& dialog = m_dialogs.first();
    QCOMPARE(dialog.mode, ZORImageFile::FileDialogRequest::Save);
    QCOMPARE(dialog.parent, &parent);
    QCOMPARE(dialog.objectName, QStringLiteral("Export_Image"));
    QCOMPARE(dialog.caption, QStringLiteral("Tarvix - Export Image as PNG"));
    QCOMPARE(dialog.filter, QStringLiteral("Image file (*.png);;All files (*)"));
    QVERIFY(dialog.directory.isEmpty());

    if (!exists) {
        QVERIFY(m_boxes.isEmpty());
        return;
    }
    QCOMPARE(m_boxes.size(), 1);
    const ZORMessageBoxRequest& box = m_boxes.first();
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.parent, &parent);
    QCOMPARE(box.caption, QStringLiteral("Tarvix"));
    QCOMPARE(box.text, QStringLiteral("'%1' already exists.\nDo you want to overwrite it?")
                               .arg(QDir::toNativeSeparators(path(chosen + ".png"))));
    QCOMPARE(box.buttons, (QStringList{QStringLiteral("&Yes"), QStringLiteral("&No")}));
    QCOMPARE(box.defaultButton, 1);
    QCOMPARE(box.escapeButton, 1);
}

void TestZORImageFile::askOpenImageFileName_data()
{
    QTest::addColumn<bool>("right");
    QTest::addColumn<QString>("caption");
    QTest::newRow("left") << false << "Tarvix - Load Left Image";
    QTest::newRow("right") << true << "Tarvix - Load Right Image";
}

void TestZORImageFile::askOpenImageFileName()
{
    QFETCH(bool, right);
    QFETCH(QString, caption);

    m_chosenFile = QStringLiteral("/somewhere/pair.png");
    QWidget parent;
    QCOMPARE(ZORImageFile::askOpenImageFileName(&parent, right), m_chosenFile);
    QCOMPARE(m_dialogs.size(), 1);
    const ZORImageFile::FileDialogRequest& dialog = m_dialogs.first();
    QCOMPARE(dialog.mode, ZORImageFile::FileDialogRequest::Open);
    QCOMPARE(dialog.parent, &parent);
    QCOMPARE(dialog.objectName, QStringLiteral("Load_New_Image"));
    QCOMPARE(dialog.caption, caption);
    QCOMPARE(dialog.directory, m_dir->path() + QStringLiteral("/examples"));
    QCOMPARE(dialog.filter, QStringLiteral("All files (*)"));
}

void TestZORImageFile::rotateThreeByTwo()
{
    // a b c        c f
    // d e f   ->   b e
    //              a d
    QImage source(3, 2, QImage::Format_RGB32);
    const QRgb a = qRgb(1, 0, 0), b = qRgb(2, 0, 0), c = qRgb(3, 0, 0);
    const QRgb d = qRgb(4, 0, 0), e = qRgb(5, 0, 0), f = qRgb(6, 0, 0);
    source.setPixel(0, 0, a);
    source.setPixel(1, 0, b);
    source.setPixel(2, 0, c);
    source.setPixel(0, 1, d);
    source.setPixel(1, 1, e);
    source.setPixel(2, 1, f);

    const QImage rotated = ZORImageFile::rotateImage90ccw(source);
    QCOMPARE(rotated.size(), QSize(2, 3));
    QCOMPARE(rotated.format(), QImage::Format_RGB32);
    const QRgb expected[3][2] = {{c, f}, {b, e}, {a, d}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 2; ++x)
            QCOMPARE(rotated.pixel(x, y), expected[y][x]);
}

void TestZORImageFile::rotateFormats_data()
{
    QTest::addColumn<QImage>("image");

    // Sizes that do not fill whole tiles of the copy loop.
    QTest::newRow("32-bit 67 x 130") << randomImage(67, 130, QImage::Format_RGB32, 10);
    QTest::newRow("32-bit 130 x 67") << randomImage(130, 67, QImage::Format_ARGB32, 11);
    QTest::newRow("8-bit with colour table") << randomImage(70, 33, QImage::Format_Indexed8, 12);
    QTest::newRow("8-bit grey") << randomImage(65, 64, QImage::Format_Grayscale8, 13);
    QTest::newRow("16-bit") << randomImage(31, 77, QImage::Format_RGB16, 14);
    QTest::newRow("24-bit") << randomImage(33, 70, QImage::Format_RGB888, 15);
    QTest::newRow("64-bit") << randomImage(20, 9, QImage::Format_RGBA64, 16);
    QTest::newRow("128-bit") << randomImage(5, 9, QImage::Format_RGBA32FPx4, 17);
    QTest::newRow("1-bit") << randomImage(45, 19, QImage::Format_Mono, 18);
    QTest::newRow("1-bit, low bit first") << randomImage(19, 45, QImage::Format_MonoLSB, 19);
    QTest::newRow("one pixel") << randomImage(1, 1, QImage::Format_RGB32, 20);
    QTest::newRow("one row") << randomImage(200, 1, QImage::Format_RGB32, 21);
    QTest::newRow("one column") << randomImage(1, 200, QImage::Format_RGB32, 22);
}

void TestZORImageFile::rotateFormats()
{
    QFETCH(QImage, image);

    const QImage rotated = ZORImageFile::rotateImage90ccw(image);
    QCOMPARE(rotated.size(), QSize(image.height(), image.width()));
    QCOMPARE(rotated.format(), image.format());
    QCOMPARE(rotated.colorTable(), image.colorTable());
    const bool indexed = image.colorCount() > 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int column = y;
            const int row = image.width() - 1 - x;
            const bool same = indexed ? rotated.pixelIndex(column, row) == image.pixelIndex(x, y)
                                      : rotated.pixelColor(column, row) == image.pixelColor(x, y);
            if (!same)
                QFAIL(qPrintable(QStringLiteral("source (%1, %2)").arg(x).arg(y)));
        }
    }

    // Four quarter turns give the image back.
    QImage turned = image;
    for (int i = 0; i < 4; ++i)
        turned = ZORImageFile::rotateImage90ccw(turned);
    QCOMPARE(turned, image);
}

void TestZORImageFile::rotateNullWarns()
{
    QTest::ignoreMessage(QtWarningMsg, "rotateImage90ccw: Memory allocation failed");
    QVERIFY(ZORImageFile::rotateImage90ccw(QImage()).isNull());
}

QTEST_MAIN(TestZORImageFile)
#include "tst_zorimagefile.moc"
