#pragma once

#include "zortiffhandler.h"

#include <QCoreApplication>
#include <QFile>

#include <magick/MagickCore.h>

#include <array>
#include <functional>

// The image library and our TIFF handler set up as the program sets them up, and TIFF files
// written with the library alone or byte by byte, independent of the handler under test.
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

using Sample = std::array<quint16, 4>; // 16-bit red, green, blue, unused
enum class Kind { Rgb, Gray, Palette };

// Writes a TIFF of the given bits per sample holding the samples given (scaled by the library
// for 8-bit files); equal samples make a grey file; a palette file holds the colours used.
inline bool writeTiff(const QString& path, int width, int height, int depth, Kind kind,
                      const std::function<Sample(int x, int y)>& sampleAt)
{
    ImageInfo* info = AcquireImageInfo();
    ExceptionInfo* exception = AcquireExceptionInfo();
    Image* image = AcquireImage(info);
    bool ok = SetImageExtent(image, size_t(width), size_t(height));
    image->depth = size_t(depth);
    for (int y = 0; ok && y < height; ++y) {
        PixelPacket* row = QueueAuthenticPixels(image, 0, y, size_t(width), 1, exception);
        for (int x = 0; row && x < width; ++x) {
            const Sample s = sampleAt(x, y);
            row[x].red = s[0];
            row[x].green = s[1];
            row[x].blue = s[2];
            row[x].opacity = OpaqueOpacity;
        }
        ok = row && SyncAuthenticPixels(image, exception);
    }
    if (ok && kind != Kind::Rgb)
        ok = SetImageType(image, kind == Kind::Gray ? GrayscaleType : PaletteType);
    const QByteArray name = "TIFF:" + QFile::encodeName(path);
    CopyMagickString(image->filename, name.constData(), MaxTextExtent);
    ok = ok && WriteImage(info, image) && image->exception.severity < ErrorException;
    DestroyImage(image);
    DestroyExceptionInfo(exception);
    DestroyImageInfo(info);
    return ok;
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

// A little-endian, uncompressed, one-strip 8-bit grey TIFF written byte by byte, so that the
// header can claim any size whatever the pixels that follow.
inline QByteArray grayTiff(quint32 width, quint32 height, const QByteArray& pixels,
                           quint32 stripBytes)
{
    QByteArray data("II*\0\x08\0\0\0\x09\0", 10);
    // tag, type (3 short, 4 long), value; the pixels follow the directory at byte 122
    const quint32 entries[9][3] = {{256, 4, width}, {257, 4, height}, {258, 3, 8},
                                   {259, 3, 1},     {262, 3, 1},      {273, 4, 122},
                                   {277, 3, 1},     {278, 4, height}, {279, 4, stripBytes}};
    for (const auto& entry : entries) {
        for (const auto& [value, bytes] :
             {std::pair{entry[0], 2}, {entry[1], 2}, {1u, 4}, {entry[2], 4}}) {
            for (int i = 0; i < bytes; ++i)
                data.append(char((value >> (8 * i)) & 0xff));
        }
    }
    return data + QByteArray(4, '\0') + pixels;
}

} // namespace TestImageLibrary
