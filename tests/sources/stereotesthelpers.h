#pragma once

#include <QColor>
#include <QImage>
#include <QRandomGenerator>

#include <algorithm>

// Images for the frame and main window tests, and the pictures the program should show,
// computed here from their definitions.
namespace StereoTest {

inline QImage randomImage(int width, int height, quint32 seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = 0xff000000u | random.bounded(0x1000000u);
    }
    return image;
}

// Source pixel (x, y) goes to column y, row width - 1 - x.
inline QImage turnedCounterClockwise(const QImage& image)
{
    QImage result(image.height(), image.width(), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            result.setPixel(y, image.width() - 1 - x, image.pixel(x, y));
    return result;
}

inline QImage inverted(const QImage& image)
{
    QImage result(image.size(), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            result.setPixel(x, y, 0xff000000u | (~image.pixel(x, y) & 0xffffffu));
    return result;
}

// The anaglyph of two images of one size with no offsets: each pixel turned grey
// ((11 r + 16 g + 5 b) / 32), weighted by its eye's colour, the sum capped at 255.
inline QImage anaglyphOf(const QImage& left, const QImage& right, QColor leftColor,
                         QColor rightColor)
{
    QImage result(left.size(), QImage::Format_RGB32);
    const auto grey = [](QRgb p) { return (11 * qRed(p) + 16 * qGreen(p) + 5 * qBlue(p)) / 32; };
    for (int y = 0; y < left.height(); ++y) {
        for (int x = 0; x < left.width(); ++x) {
            const int gl = grey(left.pixel(x, y));
            const int gr = grey(right.pixel(x, y));
            const auto channel
                    = [&](int l, int r) { return std::min(255, (gl * l + gr * r) >> 8); };
            result.setPixel(x, y,
                            qRgb(channel(leftColor.red(), rightColor.red()),
                                 channel(leftColor.green(), rightColor.green()),
                                 channel(leftColor.blue(), rightColor.blue())));
        }
    }
    return result;
}

inline bool sameColours(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.pixel(x, y) & 0xffffffu) != (b.pixel(x, y) & 0xffffffu))
                return false;
    return true;
}

} // namespace StereoTest
