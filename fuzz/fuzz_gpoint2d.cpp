// Readers of GPoint2D in modes 1 to 3, from a stream and from a file.

#include "fuzzcommon.h"
#include "gpoint2d.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::fuzzReader<GPoint2D>(data, size, [](int variant) {
        GPoint2D p(3, 4);
        if (variant == 1)
            p.homogenize();
        else if (variant == 2)
            p = GPoint2D(GVector());
        return p;
    });
    return 0;
}
