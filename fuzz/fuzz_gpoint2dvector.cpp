// Readers of GPoint2DVector in modes 1 to 3, from a stream and from a file; a list that
// was read must also stand its grid being built and queried.

#include "fuzzcommon.h"
#include "gpoint2dvector.h"

namespace {

GPoint2DVector makeList(int variant)
{
    GPoint2DVector list;
    if (variant == 1) {
        list = GPoint2DVector{GPoint2D(1, 2), GPoint2D(3, 4)};
    } else if (variant == 2) {
        list = GPoint2DVector{GPoint2D(1, 2), GPoint2D(3, 4), GPoint2D(5, 6)};
        list.homogenized = true;
        for (GPoint2D& p : list)
            p.homogenize();
    } else if (variant == 3) {
        list = GPoint2DVector{GPoint2D(0, 0)};
    }
    return list;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::fuzzReader<GPoint2DVector>(data, size, makeList);

    // The same input once more, then the grid over whatever was read.
    fuzz::silenceErrors();
    const fuzz::Input input = fuzz::split(data, size);
    GPoint2DVector list = makeList(input.variant);
    std::istringstream is(input.body);
    list.read(is, input.mode);
    if (!list.empty()) {
        list.buildGrid(GRect2D(-50, -50, 150, 150), 7, 5);
        const std::vector<int> near = list.pointsNear(list.front(), 20);
        const int nearest = list.nearestPoint(list.front(), &near);
        if (nearest >= int(list.size()))
            std::abort();
        list.pointsInRect(GRect2D(list.front()(0), list.front()(1), 100, 100));
    }
    gError.codes.clear();
    return 0;
}
