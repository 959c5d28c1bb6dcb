// Readers of GLine2D in modes 1 to 3, from a stream and from a file; whatever was read is
// also drawn, which exercises the clipping on arbitrary equations and end points.

#include "fuzzcommon.h"
#include "gimg.h"
#include "gline2d.h"

namespace {

GLine2D makeLine(int variant)
{
    GLine2D line(GPoint2D(0, 1), GPoint2D(10, 6));
    if (variant == 1)
        line.p1.homogenize();
    else if (variant == 2)
        line.bounded1 = line.bounded2 = false;
    return line;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::fuzzReader<GLine2D>(data, size, makeLine);

    fuzz::silenceErrors();
    const fuzz::Input input = fuzz::split(data, size);
    GLine2D line = makeLine(input.variant);
    std::istringstream is(input.body);
    line.read(is, input.mode);
    GBinImg image(23, 17);
    line.doDraw(&image, 1, 0, 0);
    gError.codes.clear();
    return 0;
}
