#pragma once

#include "kvxstereoviewer.h"
#include "zorstereoviewer.h"

#include <QColor>
#include <QImage>
#include <QRandomGenerator>

#include <algorithm>
#include <tuple>

// Images for the frame and main window tests, the pictures the program should show, computed
// here from their definitions, and the states both tests go through.
namespace StereoTest {

inline const char* const kModeNames[] = {"left image", "right image", "both images", "anaglyph"};

// Pairs that every command must bear: none, one side only, sizes that differ, 1 x 1.
inline const std::tuple<const char*, QSize, QSize> kAwkwardPairs[]
        = {{"no images", {}, {}},
           {"left only", {30, 20}, {}},
           {"different sizes", {40, 10}, {9, 33}},
           {"1 x 1 pair", {1, 1}, {1, 1}}};

// The viewer a display mode shows (of the two side by side, the left one).
inline KVXImgViewer* viewerOf(const ZORStereoViewer& frame, int mode)
{
    return mode == MonoRight  ? frame.rightViewer()
           : mode == Anaglyph ? frame.stereoViewer()
                              : frame.leftViewer();
}

// Noise of the given size; a null image for an invalid size.
inline QImage randomImage(QSize size, quint32 seed)
{
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, 0xff000000u | random.bounded(0x1000000u));
    return image;
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
inline QImage anaglyphOf(const QImage& left, const QImage& right, QColor lc, QColor rc)
{
    QImage result(left.size(), QImage::Format_RGB32);
    const auto grey = [](QRgb p) { return (11 * qRed(p) + 16 * qGreen(p) + 5 * qBlue(p)) / 32; };
    for (int y = 0; y < left.height(); ++y)
        for (int x = 0; x < left.width(); ++x) {
            const int gl = grey(left.pixel(x, y)), gr = grey(right.pixel(x, y));
            const auto mix = [&](int l, int r) { return std::min(255, (gl * l + gr * r) >> 8); };
            result.setPixel(x, y,
                            qRgb(mix(lc.red(), rc.red()), mix(lc.green(), rc.green()),
                                 mix(lc.blue(), rc.blue())));
        }
    return result;
}

// The offscreen platform reports every window feature it lacks; that is not our output.
inline void quietOffscreenNotices()
{
    static const QtMessageHandler previous = qInstallMessageHandler(nullptr);
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& at, const QString& text) {
        if (!text.startsWith(QLatin1String("This plugin does not support")))
            previous(type, at, text);
    });
}

inline bool sameColours(const QImage& a, const QImage& b)
{
    return a.size() == b.size()
           && a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

} // namespace StereoTest
