// Readers of GVector in modes 1 to 3, from a stream and from a file.

#include "fuzzcommon.h"
#include "gvector.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::fuzzReader<GVector>(data, size, [](int variant) {
        GVector v;
        if (variant == 1) {
            v.create(2, 1.5);
        } else if (variant == 2) {
            v.create(2, -3);
            v.homogenize();
        } else if (variant == 3) {
            v.create(5, 0.25);
            v.tFlag = true;
        }
        return v;
    });
    return 0;
}
