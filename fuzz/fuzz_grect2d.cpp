// Readers of GRect2D in modes 1 to 3, from a stream and from a file. The rectangle writes
// no binary form, so only its text forms have a round trip.

#include "fuzzcommon.h"
#include "gimg.h"
#include "grect2d.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::fuzzReader<GRect2D>(data, size, [](int variant) {
        GRect2D rect(1, 2, 3, 4);
        if (variant == 1)
            rect.corner2.homogenize();
        return rect;
    });

    // Whatever was read must draw safely.
    const fuzz::Input input = fuzz::split(data, size);
    GRect2D rect(1, 2, 3, 4);
    std::istringstream is(input.body);
    if (rect.read(is, input.mode)) {
        GBytImg image(16, 12);
        rect.doDraw(&image, 1, 0, 1);
    }
    gError.codes.clear();
    return 0;
}
