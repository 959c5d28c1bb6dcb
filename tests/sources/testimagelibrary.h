#pragma once

#include "zortiffhandler.h"

#include <QCoreApplication>
#include <QFile>
#include <QList>
#include <QRgb>
#include <QString>

#include <magick/MagickCore.h>

#include <array>
#include <functional>
#include <vector>

// The image library and our TIFF handler set up as the program sets them up, plus TIFF
// files written and read with the library alone, independent of the handler under test.
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

enum class Kind { Rgb, Gray, Cmyk };

// Writes a TIFF with the given bits per sample whose samples are the 16-bit values given
// (scaled by the library for 8-bit files).
inline bool writeTiff(const QString& path, int width, int height, int depth, Kind kind,
                      const SampleAt& sampleAt, CompressionType compression = NoCompression)
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
        const QByteArray name = "TIFF:" + QFile::encodeName(path);
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
        const PixelPacket* pixels =
                GetVirtualPixels(image, 0, 0, image->columns, image->rows, exception);
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

} // namespace TestImageLibrary
