#include "gline2d.h"

#include "gerror.h"
#include "gimg.h"
#include "gio.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>

namespace {

const char* const kRead = "GLine2D::read()";
const char* const kWrite = "GLine2D::write()";
constexpr double kTiny = 1e-15;

// Halves away from zero; callers pass values inside the image.
int nearestPixel(double v)
{
    return v > 0 ? int(v + 0.5) : int(v - 0.5);
}

} // namespace

GLine2D::GLine2D(const GPoint2D& p, const GPoint2D& q)
    : p1(p)
    , p2(q)
{
    const double x1 = p(0);
    const double y1 = p(1);
    const double x2 = q(0);
    const double y2 = q(1);
    if (x1 != x2 && y1 != y2) {
        slope = (y1 - y2) / (x1 - x2);
        intercept = y1 - slope * x1;
        a = -slope;
        b = 1;
        c = -intercept;
        kind = General;
    } else if (x1 != x2) {
        slope = 0;
        intercept = y1;
        a = 0;
        b = 1;
        c = -y1;
        kind = Horizontal;
    } else {
        a = 1;
        b = 0;
        c = -x1;
        kind = Vertical;
    }
}

GLine2D::~GLine2D() = default;

bool GLine2D::clip(GPoint2D& first, GPoint2D& second, int cols, int rows) const
{
    if (std::fabs(a) < kTiny && std::fabs(b) < kTiny)
        return false;
    if (cols < 1 || rows < 1)
        return false;
    const double xMax = cols - 1;
    const double yMax = rows - 1;
    constexpr double infinity = std::numeric_limits<double>::infinity();

    // The line as origin + t * direction. Along the ends, `first` sits at t = 0 and
    // `second` at t = 1; an unbounded side lets t run on to the border.
    bool alongEnds = true;
    double ox = first(0);
    double oy = first(1);
    double dx = second(0) - ox;
    double dy = second(1) - oy;
    double t0 = bounded1 ? 0.0 : -infinity;
    double t1 = bounded2 ? 1.0 : infinity;
    if (!bounded1 && !bounded2) {
        // Wholly unbounded: the equation alone says where the line runs.
        const double norm = a * a + b * b;
        ox = -a * c / norm;
        oy = -b * c / norm;
        alongEnds = false;
    } else if (dx == 0 && dy == 0 && !(bounded1 && bounded2)) {
        // A ray from a single point has no direction of its own: take the whole line.
        alongEnds = false;
        t0 = -infinity;
        t1 = infinity;
    }
    if (!alongEnds) {
        dx = b;
        dy = -a;
    }

    // Liang-Barsky: keep the part of the parameter range where p * t <= q on every side.
    auto side = [&t0, &t1](double p, double q) {
        if (p == 0)
            return q >= 0;
        const double r = q / p;
        if (p < 0) {
            if (r > t1)
                return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0)
                return false;
            t1 = std::min(t1, r);
        }
        return true;
    };
    if (!side(-dx, ox) || !side(dx, xMax - ox) || !side(-dy, oy) || !side(dy, yMax - oy))
        return false;
    if (!(t0 <= t1) || !std::isfinite(t0) || !std::isfinite(t1))
        return false;

    // An end that needed no clipping is taken exactly as given; a computed crossing lies
    // on the border, and rounding may put it a hair outside.
    const double x0 = ox + t0 * dx;
    const double y0 = oy + t0 * dy;
    const double x1 = ox + t1 * dx;
    const double y1 = oy + t1 * dy;
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1))
        return false;
    if (!(alongEnds && t0 == 0.0)) {
        first(0) = std::clamp(x0, 0.0, xMax);
        first(1) = std::clamp(y0, 0.0, yMax);
    }
    if (!(alongEnds && t1 == 1.0)) {
        second(0) = std::clamp(x1, 0.0, xMax);
        second(1) = std::clamp(y1, 0.0, yMax);
    }
    return first(0) >= 0 && first(0) <= xMax && first(1) >= 0 && first(1) <= yMax && second(0) >= 0
           && second(0) <= xMax && second(1) >= 0 && second(1) <= yMax;
}

bool GLine2D::doDraw(GImg* image, const GPixelValue& value, int, int) const
{
    if (!image) {
        gError.raise("GLine2D::doDraw()", __FILE__, __LINE__, 11, "");
        return false;
    }
    GPoint2D from = p1;
    GPoint2D to = p2;
    const int cols = image->cols();
    const int rows = image->rows();
    if (!clip(from, to, cols, rows)) {
        gError.raise("GLine2D::doDraw() clipping failed", __FILE__, __LINE__, 1, "");
        return false;
    }
    if (!image->isDrawable()) {
        gError.raise("GLine2D::doDraw() unsupported Imagetype", __FILE__, __LINE__, 51, "");
        return false;
    }

    int x = nearestPixel(from(0));
    int y = nearestPixel(from(1));
    // 64-bit error terms: twice a distance across a very wide image overflows an int.
    const std::int64_t dx = std::int64_t(nearestPixel(to(0))) - x;
    const std::int64_t dy = std::int64_t(nearestPixel(to(1))) - y;
    const int sx = dx < 0 ? -1 : 1;
    const int sy = dy < 0 ? -1 : 1;
    const std::int64_t adx = dx < 0 ? -dx : dx;
    const std::int64_t ady = dy < 0 ? -dy : dy;
    if (2 * adx > 2 * ady) {
        std::int64_t error = 2 * ady - adx;
        for (std::int64_t i = 0; i <= adx; ++i, x += sx) {
            image->putPixel(x, y, value);
            if (error >= 0) {
                y += sy;
                error -= 2 * adx;
            }
            error += 2 * ady;
        }
    } else {
        std::int64_t error = 2 * adx - ady;
        for (std::int64_t i = 0; i <= ady; ++i, y += sy) {
            image->putPixel(x, y, value);
            if (error >= 0) {
                x += sx;
                error -= 2 * ady;
            }
            error += 2 * adx;
        }
    }
    return true;
}

bool GLine2D::write(std::ostream& os, int mode) const
{
    if (!gio::checkMode(mode, kWrite))
        return false;
    if (mode == 3) {
        for (double v : {a, b, c, slope, intercept})
            gio::writeDouble(os, v);
        if (!p1.write(os, 3) || !p2.write(os, 3))
            return false;
        gio::writeByte(os, bounded1 ? 1 : 0);
        gio::writeByte(os, bounded2 ? 1 : 0);
        gio::writeInt(os, kind);
    } else {
        os << "{ " << a << " " << b << " " << c << " }";
        os << " { " << slope << " " << intercept << " }";
        os << " { ";
        p1.write(os, 2);
        os << " ";
        p2.write(os, 2);
        os << " }";
        os << " { " << int(bounded1) << " " << int(bounded2) << " }";
        os << " { " << kind << " }";
    }
    return gio::checkWritten(os, kWrite);
}

bool GLine2D::read(std::istream& is, int mode)
{
    if (!gio::checkMode(mode, kRead))
        return false;
    if (mode == 3) {
        char f1 = 0;
        char f2 = 0;
        if (!gio::readField(is, a, kRead) || !gio::readField(is, b, kRead)
            || !gio::readField(is, c, kRead) || !gio::readField(is, slope, kRead)
            || !gio::readField(is, intercept, kRead) || !p1.read(is, 3) || !p2.read(is, 3)
            || !gio::readField(is, f1, kRead) || !gio::readField(is, f2, kRead)
            || !gio::readField(is, kind, kRead))
            return false;
        bounded1 = f1 != 0;
        bounded2 = f2 != 0;
        return true;
    }
    // Both text modes carry the braces.
    int f1 = 0;
    int f2 = 0;
    const bool ok = expect_char(is, 1, '{') && gio::readToken(is, a, kRead)
                    && gio::readToken(is, b, kRead) && gio::readToken(is, c, kRead)
                    && expect_char(is, 1, '}') && expect_char(is, 1, '{')
                    && gio::readToken(is, slope, kRead) && gio::readToken(is, intercept, kRead)
                    && expect_char(is, 1, '}') && expect_char(is, 1, '{') && p1.read(is, 2)
                    && p2.read(is, 2) && expect_char(is, 1, '}') && expect_char(is, 1, '{')
                    && gio::readToken(is, f1, kRead) && gio::readToken(is, f2, kRead)
                    && expect_char(is, 1, '}') && expect_char(is, 1, '{')
                    && gio::readToken(is, kind, kRead) && expect_char(is, 1, '}');
    if (!ok)
        return false;
    bounded1 = f1 != 0;
    bounded2 = f2 != 0;
    return true;
}

bool GLine2D::writeToFile(const char* fileName, int mode) const
{
    return gio::writeObjectFile(*this, fileName, mode, "GLine2D", true);
}

bool GLine2D::readFromFile(const char* fileName, int mode)
{
    return gio::readObjectFile(*this, fileName, mode, "GLine2D", {"GLine2D"}, true);
}

std::string GLine2D::className() const
{
    return "GLine2D";
}
