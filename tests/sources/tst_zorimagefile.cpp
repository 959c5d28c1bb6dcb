#include "stereotesthelpers.h"
#include "testimagelibrary.h"
#include "zorerror.h"
#include "zorimagefile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace TestImageLibrary;

// Another TIFF reader beside ours, claiming "tif" and "tiff" as Qt's own plugin does.
class DecoyTiffHandler : public QImageIOHandler
{
public:
    bool canRead() const override { return true; }
    bool read(QImage*) override { return false; }
};

class DecoyTiffPlugin : public QImageIOPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "decoytiffplugin.json")

public:
    Capabilities capabilities(QIODevice*, const QByteArray& format) const override
    {
        return format == "tif" || format == "tiff" ? CanRead | CanWrite : Capabilities();
    }
    QImageIOHandler* create(QIODevice*, const QByteArray&) const override
    {
        return new DecoyTiffHandler; // the reader gives it the device
    }
};

extern const QStaticPlugin qt_static_plugin_DecoyTiffPlugin();

class TestZORImageFile : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase() { stop(); }
    void init() { m_boxes.clear(); }

    void initTestCase()
    {
        start();
        qRegisterStaticPluginFunction(qt_static_plugin_DecoyTiffPlugin());
        setMessageBoxHook([this](const ZORMessageBoxRequest& request) {
            m_boxes.append(request);
            return m_answer;
        });
    }

    void load_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QImage>("expected"); // null: not loaded
        QTest::addColumn<QString>("message");

        const QImage rgb = StereoTest::randomImage({53, 31}, 1);
        rgb.convertToFormat(QImage::Format_RGBX64).save(path("deep.png"));
        QTest::newRow("16-bit PNG") << path("deep.png") << rgb << QString();

        // TIFF by content, read by our handler though the decoy claims "tif"; 16-bit samples.
        QVERIFY(writeTiff(path("tiff.png"), 53, 31, 16, Kind::Rgb, [&](int x, int y) {
            const QRgb p = rgb.pixel(x, y);
            return Sample{quint16(qRed(p) << 8 | x), quint16(qGreen(p) << 8 | 255),
                          quint16(qBlue(p) << 8 | y), 0};
        }));
        QVERIFY(QFile::copy(path("tiff.png"), path("tiff.tif")));
        QTest::newRow("16-bit TIFF named .png") << path("tiff.png") << rgb << QString();
        QTest::newRow("16-bit TIFF named .tif") << path("tiff.tif") << rgb << QString();

        const QString unrecognized = "Cannot read this file.\nThe image format is unrecognized.";
        const QString readFailed = "Sorry, reading this image file failed.";
        writeFile(path("text.png"), "This is not a picture.\n");
        writeFile(path("cut.png"), readFile(path("deep.png")).chopped(100));
        QDir().mkpath(path("folder.png"));
        // A path the system opens, but which with the coder prefix no longer fits the library's
        // name field; where the name cut to that field would point lies a valid TIFF.
        QString overlong = m_dir.path();
        while (overlong.size() < 3800)
            QDir().mkpath(overlong += '/' + QString(200, 'd'));
        overlong += '/' + QString(4093 - overlong.size() - 5, 'n') + ".tif";
        QFile::copy(path("tiff.png"), overlong);
        QFile::copy(path("tiff.png"), overlong.left(MaxTextExtent - 6));

        QTest::newRow("empty name") << QString() << QImage() << QString();
        QTest::newRow("text file named .png") << path("text.png") << QImage() << unrecognized;
        QTest::newRow("directory") << path("folder.png") << QImage() << unrecognized;
        QTest::newRow("truncated PNG") << path("cut.png") << QImage() << readFailed;
        QTest::newRow("overlong name") << overlong << QImage() << readFailed;
    }

    void load()
    {
        QFETCH(QString, file);
        QFETCH(QImage, expected);
        QFETCH(QString, message);
        QWidget parent;
        QCOMPARE(ZORImageFile::loadImage(file, &parent), expected);
        QVERIFY(!QGuiApplication::overrideCursor());
        QCOMPARE(m_boxes.size(), message.isEmpty() ? 0 : 1);
        for (const ZORMessageBoxRequest& box : m_boxes)
            QVERIFY(box.text == message && box.parent == &parent && m_error.code() == 5);
    }

    void hundredMegapixels()
    {
        // A grey TIFF of 100 MB on disk, 800 MB in the library's cache, 400 MB as our image.
        const QByteArray pixels(12000 * 8400, 'x');
        QVERIFY(writeFile(path("big.tif"), grayTiff(12000, 8400, pixels, quint32(pixels.size()))));
        QCOMPARE(ZORImageFile::loadImage(path("big.tif"), nullptr).size(), QSize(12000, 8400));
    }

    void saveAndExport()
    {
        QCOMPARE(ZORImageFile::exportFormats().filter("TIF"), QStringList{"TIF"});
        QCOMPARE(ZORImageFile::exportFileName("/tmp/a.b/shot", "PNG"), "/tmp/a.b/shot.png");
        QCOMPARE(ZORImageFile::exportFileName("shot.", "BMP"), "shot.bmp");
        QCOMPARE(ZORImageFile::exportFileName("shot.jpg", "PNG"), "shot.jpg");
        const QImage image = StereoTest::randomImage({45, 28}, 2);
        for (const char* format : {"PNG", "TIF"}) { // whatever the extension says
            QVERIFY(ZORImageFile::saveImage(image, path("saved.jpg"), format));
            QCOMPARE(ZORImageFile::loadImage(path("saved.jpg"), nullptr), image);
        }

        // An existing file: the user is asked, and "No" leaves it alone; a failed save reports
        // and leaves the old file as it was.
        writeFile(path("saved.png"), "old");
        ZORImageFile::setFileDialogHook([this](const auto&) { return path("saved."); });
        QWidget parent;
        m_answer = 1;
        QCOMPARE(ZORImageFile::askExportFileName(&parent, "PNG"), QString());
        m_answer = 0;
        QCOMPARE(ZORImageFile::askExportFileName(&parent, "PNG"), path("saved.png"));

        QVERIFY(!ZORImageFile::exportImage(image, path("saved.png"), "NOSUCH", &parent));
        QVERIFY(!ZORImageFile::exportImage(image, path("no/folder.png"), "PNG", &parent));
        QCOMPARE(readFile(path("saved.png")), "old");
        QVERIFY(m_boxes.size() == 4 && m_boxes[2].text == "Cannot save the image."
                && m_boxes[2].parent == &parent);
        QVERIFY(m_error.kind() == 3 && m_error.code() == 8 && !QGuiApplication::overrideCursor());
    }

    void rotate()
    {
        // 3 x 2, and an 8-bit image larger than a tile of the copy loop both ways: pixel
        // (x, y) lands at column y, row width - 1 - x; four turns give the image back.
        for (const QImage& image :
             {StereoTest::randomImage({3, 2}, 3),
              StereoTest::randomImage({70, 130}, 4).convertToFormat(QImage::Format_Indexed8)}) {
            QImage turned = ZORImageFile::rotateImage90ccw(image);
            QCOMPARE(turned.size(), image.size().transposed());
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    QCOMPARE(turned.pixel(y, image.width() - 1 - x), image.pixel(x, y));
            for (int i = 0; i < 3; ++i)
                turned = ZORImageFile::rotateImage90ccw(turned);
            QCOMPARE(turned, image);
        }
        QTest::ignoreMessage(QtWarningMsg, "rotateImage90ccw: Memory allocation failed");
        QVERIFY(ZORImageFile::rotateImage90ccw(QImage()).isNull());
    }

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    ZORError m_error;
    QList<ZORMessageBoxRequest> m_boxes;
    int m_answer = 0;
};

QTEST_MAIN(TestZORImageFile)
#include "tst_zorimagefile.moc"
