// Readers of GHomPtVector in modes 1 to 3, from a stream and from a file.

#include "fuzzcommon.h"
#include "ghomptvector.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::fuzzReader<GHomPtVector>(data, size, [](int variant) {
        GHomPtVector pairs;
        if (variant == 1)
            pairs.push_back(GHomPt(GPoint2D(1, 2), GPoint2D(3, 4)));
        else if (variant == 2)
            pairs.resize(3);
        return pairs;
    });
    return 0;
}
