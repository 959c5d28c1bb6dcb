#pragma once

#include "zortiffhandler.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QList>
#include <QRgb>
#include <QString>

#include <magick/MagickCore.h>

#include <array>
#include <functional>
#include <vector>

// The image library and our TIFF handler set up as the program sets them up, TIFF files
// written and read with the library alone (independent of the handler under test) or
// byte by byte, and small file and image helpers.
namespace TestImageLibrary {

// TARVIX_DATA_DIR is the source tree's data/ folder, which holds the program's policy.xml.
inline void start()
{
    ZORTiffHandler::startImageLibrary(
            QFile::encodeName(QCoreApplication::applicationFilePath()).constData(),
            QStringLiteral(TARVIX_DATA_DIR));
    ZORTiffHandler::registerHandler();
}

inline void stop()
{
    MagickCoreTerminus();
}

using Sample = std::array<quint16, 4>; // red, green, blue, black (CMYK only)
using SampleAt = std::function<Sample(int x, int y)>;

// The samples an 8-bit file holds for a colour, as the library hands them over.
inline Sample samplesOf(QRgb color)
{
    return {quint16(qRed(color) * 257), quint16(qGreen(color) * 257), quint16(qBlue(color) * 257),
            0};
}

enum class Kind { Rgb, Gray, Cmyk };

// Writes a TIFF (or with the coder "TIFF64" a BigTIFF) with the given bits per sample
// whose samples are the 16-bit values given (scaled by the library for 8-bit files).
inline bool writeTiff(const QString& path, int width, int height, int depth, Kind kind,
                      const SampleAt& sampleAt, CompressionType compression = NoCompression,
                      const char* coder = "TIFF")
{
    ImageInfo* info = AcquireImageInfo();
    ExceptionInfo* exception = AcquireExceptionInfo();
    Image* image = AcquireImage(info);
    bool ok = SetImageExtent(image, size_t(width), size_t(height));
    if (ok && kind == Kind::Gray)
        ok = SetImageColorspace(image, GRAYColorspace);
    if (ok && kind == Kind::Cmyk)
        ok = SetImageColorspace(image, CMYKColorspace);
    image->depth = size_t(depth);
    image->compression = compression;
    for (int y = 0; ok && y < height; ++y) {
        PixelPacket* row = QueueAuthenticPixels(image, 0, y, size_t(width), 1, exception);
        IndexPacket* black = kind == Kind::Cmyk ? GetAuthenticIndexQueue(image) : nullptr;
        ok = row != nullptr;
        for (int x = 0; ok && x < width; ++x) {
            const Sample s = sampleAt(x, y);
            row[x].red = s[0];
            row[x].green = kind == Kind::Gray ? s[0] : s[1];
            row[x].blue = kind == Kind::Gray ? s[0] : s[2];
            row[x].opacity = OpaqueOpacity;
            if (black)
                black[x] = s[3];
        }
        ok = ok && SyncAuthenticPixels(image, exception);
    }
    if (ok) {
        const QByteArray name = coder + QByteArray(":") + QFile::encodeName(path);
        CopyMagickString(image->filename, name.constData(), MaxTextExtent);
        ok = WriteImage(info, image) && exception->severity < ErrorException
             && image->exception.severity < ErrorException;
    }
    DestroyImage(image);
    DestroyExceptionInfo(exception);
    DestroyImageInfo(info);
    return ok;
}

// Writes an 8-bit palette TIFF: the palette holds 16-bit red, green, blue entries.
inline bool writePaletteTiff(const QString& path, int width, int height,
                             const std::vector<Sample>& palette,
                             const std::function<int(int x, int y)>& indexAt)
{
    ImageInfo* info = AcquireImageInfo();
    ExceptionInfo* exception = AcquireExceptionInfo();
    Image* image = AcquireImage(info);
    bool ok = SetImageExtent(image, size_t(width), size_t(height))
              && AcquireImageColormap(image, palette.size());
    for (size_t i = 0; ok && i < palette.size(); ++i) {
        image->colormap[i].red = palette[i][0];
        image->colormap[i].green = palette[i][1];
        image->colormap[i].blue = palette[i][2];
        image->colormap[i].opacity = OpaqueOpacity;
    }
    image->depth = 8;
    for (int y = 0; ok && y < height; ++y) {
        PixelPacket* row = QueueAuthenticPixels(image, 0, y, size_t(width), 1, exception);
        IndexPacket* indexes = GetAuthenticIndexQueue(image);
        ok = row != nullptr && indexes != nullptr;
        for (int x = 0; ok && x < width; ++x) {
            const int index = indexAt(x, y);
            indexes[x] = IndexPacket(index);
            row[x] = image->colormap[index];
        }
        ok = ok && SyncAuthenticPixels(image, exception);
    }
    if (ok) {
        const QByteArray name = "TIFF:" + QFile::encodeName(path);
        CopyMagickString(image->filename, name.constData(), MaxTextExtent);
        ok = WriteImage(info, image) && image->exception.severity < ErrorException;
    }
    DestroyImage(image);
    DestroyExceptionInfo(exception);
    DestroyImageInfo(info);
    return ok;
}

struct MagickPixels
{
    int width = 0;
    int height = 0;
    size_t depth = 0;
    std::vector<Sample> samples; // 16-bit red, green, blue, row by row
};

// Reads a file with the library alone.
inline MagickPixels readWithLibrary(const QString& path)
{
    MagickPixels result;
    ImageInfo* info = AcquireImageInfo();
    ExceptionInfo* exception = AcquireExceptionInfo();
    const QByteArray name = QFile::encodeName(path);
    CopyMagickString(info->filename, name.constData(), MaxTextExtent);
    if (Image* image = ReadImage(info, exception)) {
        const PixelPacket* pixels
                = GetVirtualPixels(image, 0, 0, image->columns, image->rows, exception);
        if (pixels) {
            result.width = int(image->columns);
            result.height = int(image->rows);
            result.depth = image->depth;
            for (size_t i = 0; i < image->columns * image->rows; ++i)
                result.samples.push_back({pixels[i].red, pixels[i].green, pixels[i].blue, 0});
        }
        DestroyImageList(image);
    }
    DestroyExceptionInfo(exception);
    DestroyImageInfo(info);
    return result;
}

inline bool writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A little-endian, uncompressed, one-strip grey TIFF written byte by byte, so that the
// header can claim any size whatever the pixels that follow.
inline QByteArray grayTiff(quint32 width, quint32 height, const QByteArray& pixels,
                           quint32 stripBytes)
{
    QByteArray data("II*\0\x08\0\0\0\x09\0", 10);
    const auto put = [&data](quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            data.append(char((value >> (8 * i)) & 0xff));
    };
    // tag, type (3 short, 4 long), value; the pixels follow the directory at byte 122
    const quint32 entries[9][3] = {{256, 4, width}, {257, 4, height}, {258, 3, 8},
                                   {259, 3, 1},     {262, 3, 1},      {273, 4, 122},
                                   {277, 3, 1},     {278, 4, height}, {279, 4, stripBytes}};
    for (const auto& entry : entries) {
        put(entry[0], 2);
        put(entry[1], 2);
        put(1, 4);
        put(entry[2], 4);
    }
    put(0, 4);
    return data + pixels;
}

// A file path of 4093 bytes below base, its folders created: the system still opens it,
// but with a coder prefix it no longer fits the library's name field. The file lying
// where a name cut to that field would point is returned in decoy.
inline QString overlongPath(const QString& base, QString* decoy)
{
    QString directory = base;
    while (QFile::encodeName(directory).size() < 3800) {
        directory += QLatin1Char('/') + QString(200, QLatin1Char('d'));
        QDir().mkpath(directory);
    }
    const int nameLength = 4093 - int(QFile::encodeName(directory).size()) - 1;
    const QString path = directory + QLatin1Char('/') + QString(nameLength - 4, QLatin1Char('n'))
                         + QStringLiteral(".tif");
    *decoy = QFile::decodeName(QFile::encodeName(path).left(MaxTextExtent - 6));
    return path;
}

// Where two images first differ in colour (through the colour table for indexed images),
// empty when they are equal.
inline QString firstDifference(const QImage& actual, const QImage& expected)
{
    if (actual.size() != expected.size()) {
        return QStringLiteral("size %1x%2, expected %3x%4")
                .arg(actual.width())
                .arg(actual.height())
                .arg(expected.width())
                .arg(expected.height());
    }
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb a = actual.pixel(x, y) | 0xff000000u;
            const QRgb e = expected.pixel(x, y) | 0xff000000u;
            if (a != e) {
                return QStringLiteral("(%1, %2): %3, expected %4")
                        .arg(x)
                        .arg(y)
                        .arg(a, 8, 16, QLatin1Char('0'))
                        .arg(e, 8, 16, QLatin1Char('0'));
            }
        }
    }
    return QString();
}

} // namespace TestImageLibrary
