#include "grect2d.h"

#include "gerror.h"
#include "gimg.h"
#include "gio.h"
#include "gline2d.h"

#include <ostream>

namespace {

const char* const kRead = "GRect2D::read()";
const char* const kWrite = "GRect2D::write()";

} // namespace

GRect2D::GRect2D(double x1, double y1, double x2, double y2)
    : corner1(x1, y1)
    , corner2(x2, y2)
{
}

GRect2D::~GRect2D() = default;

bool GRect2D::doDraw(GImg* image, const GPixelValue& value, int style, int) const
{
    if (!image) {
        gError.raise("GRect2D::doDraw()", __FILE__, __LINE__, 11, "");
        return false;
    }
    const double x1 = corner1(0);
    const double y1 = corner1(1);
    const double x2 = corner2(0);
    const double y2 = corner2(1);
    const GLine2D sides[] = {
            GLine2D(GPoint2D(x1, y1), GPoint2D(x2, y1)),
            GLine2D(GPoint2D(x2, y1), GPoint2D(x2, y2)),
            GLine2D(GPoint2D(x2, y2), GPoint2D(x1, y2)),
            GLine2D(GPoint2D(x1, y2), GPoint2D(x1, y1)),
    };
    bool drawn = true;
    for (const GLine2D& side : sides)
        drawn = image->draw(side, value, style, 15) && drawn;
    return drawn;
}

bool GRect2D::write(std::ostream& os, int mode) const
{
    if (mode == 1) {
        os << "{ ";
        corner1.write(os, 2);
        corner2.write(os, 2);
        os << "} ";
    } else if (mode == 2) {
        corner1.write(os, 2);
        corner2.write(os, 2);
    } else if (mode == 7) {
        os << "KBV ";
        corner1.write(os, 2);
        os << " ";
        corner2.write(os, 2);
        os << "\n";
    } else {
        gError.raise(kWrite, __FILE__, __LINE__, 26, "requested mode %d not supported", mode);
        return false;
    }
    return gio::checkWritten(os, kWrite);
}

bool GRect2D::read(std::istream& is, int mode)
{
    if (!gio::checkMode(mode, kRead))
        return false;
    const int pointMode = mode == 3 ? 3 : 2;
    return expect_char(is, mode, '{') && corner1.read(is, pointMode) && corner2.read(is, pointMode)
           && expect_char(is, mode, '}');
}

bool GRect2D::writeToFile(const char* fileName, int mode) const
{
    return gio::writeObjectFile(*this, fileName, mode, "GRect2D", false);
}

bool GRect2D::readFromFile(const char* fileName, int mode)
{
    return gio::readObjectFile(*this, fileName, mode, "GRect2D", {"GRect2D"}, false);
}

std::string GRect2D::className() const
{
    return "GRect2D";
}
