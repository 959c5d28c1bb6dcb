// Readers of GHomPt in modes 1 to 3, from a stream and from a file.

#include "fuzzcommon.h"
#include "ghompt.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::fuzzReader<GHomPt>(data, size, [](int variant) {
        GHomPt pair(GPoint2D(1, 2), GPoint2D(3, 4));
        if (variant == 1)
            pair.second.homogenize();
        else if (variant == 2)
            pair.first = GPoint2D(GVector());
        return pair;
    });
    return 0;
}
