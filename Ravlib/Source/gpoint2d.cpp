#include "gpoint2d.h"

#include "gerror.h"
#include "gimg.h"
#include "gio.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

GPoint2D::GPoint2D()
    : GPoint2D(0.0, 0.0)
{
}

GPoint2D::GPoint2D(double x, double y)
{
    if (create(2)) {
        (*this)(0) = x;
        (*this)(1) = y;
    }
}

GPoint2D::GPoint2D(const GPoint2D& p)
    : GBase()
    , GVector(p)
    , GIsr()
{
}

GPoint2D::GPoint2D(GPoint2D&& p) noexcept
    : GBase()
    , GVector(std::move(p))
    , GIsr()
{
}

GPoint2D::GPoint2D(const GVector& v)
    : GVector(v)
{
    if (size() == 3)
        homogenized = true;
    else if (size() != 2)
        gError.raise("GPoint2D::GPoint2D(const GVector v)", __FILE__, __LINE__, 40,
                     "vector to be copied of wrong dimension %d", size());
}

GPoint2D::~GPoint2D() = default;

GPoint2D& GPoint2D::operator=(const GPoint2D& p)
{
    // The vector assignment leaves the target equal to the source in size, values and
    // flags, so a homogeneous source needs no separate homogenising of the target.
    GVector::operator=(p);
    return *this;
}

GPoint2D& GPoint2D::operator=(GPoint2D&& p) noexcept
{
    GVector::operator=(std::move(p));
    return *this;
}

bool GPoint2D::operator!=(const GPoint2D& p) const
{
    return (*this)(0) != p(0) || (*this)(1) != p(1);
}

bool GPoint2D::doDraw(GImg* image, const GPixelValue& value, int style, int size) const
{
    const char* const function = "GPoint2D::doDraw()";
    if (!image) {
        gError.raise(function, __FILE__, __LINE__, 11, "");
        return false;
    }
    const int cols = image->cols();
    const int rows = image->rows();
    // Truncation toward zero, compared as doubles so that no out-of-range value is cast.
    const double px = std::trunc((*this)(0));
    const double py = std::trunc((*this)(1));
    if (!(px >= 0 && px < cols && py >= 0 && py < rows)) {
        gError.raise(function, __FILE__, __LINE__, 40, "point out of image");
        return false;
    }
    const int x = int(px);
    const int y = int(py);
    const std::int64_t r = size / 2;
    const int x0 = int(std::max<std::int64_t>(x - r, 0));
    const int x1 = int(std::min<std::int64_t>(x + r, cols - 1));
    const int y0 = int(std::max<std::int64_t>(y - r, 0));
    const int y1 = int(std::min<std::int64_t>(y + r, rows - 1));

    if (!image->isDrawable()) {
        gError.raise(function, __FILE__, __LINE__, 51, "");
        return false;
    }

    if (style & (0x20 | 0x200)) {
        for (int c = x0; c <= x1; ++c)
            image->putPixel(c, y, value);
        for (int row = y0; row <= y1; ++row)
            image->putPixel(x, row, value);
    } else if (style & 0x400) {
        for (int k = 0; y0 + k <= y1 && x0 + k <= x1; ++k) {
            image->putPixel(x0 + k, y0 + k, value);
            image->putPixel(x1 - k, y0 + k, value);
        }
    } else if (style & 0x100) {
        const double r2 = double(r) * double(r);
        auto reach = [r2](int offset) {
            return int(std::sqrt(std::max(r2 - double(offset) * double(offset), 0.0)) + 0.5);
        };
        auto putInBox = [&](std::int64_t c, std::int64_t row) {
            if (c >= x0 && c <= x1 && row >= y0 && row <= y1)
                image->putPixel(int(c), int(row), value);
        };
        for (int c = x0; c <= x1; ++c) {
            const int h = reach(c - x);
            putInBox(c, std::int64_t(y) + h);
            putInBox(c, std::int64_t(y) - h);
        }
        for (int row = y0; row <= y1; ++row) {
            const int h = reach(row - y);
            putInBox(std::int64_t(x) + h, row);
            putInBox(std::int64_t(x) - h, row);
        }
    } else if (style & 0x800) {
        image->putPixel(x, y, value);
    } else {
        gError.raise(function, __FILE__, __LINE__, 42, "");
        return false;
    }
    return true;
}

bool GPoint2D::writeToFile(const char* fileName, int mode) const
{
    return gio::writeObjectFile(*this, fileName, mode, "GPoint2D", false);
}

bool GPoint2D::readFromFile(const char* fileName, int mode)
{
    return gio::readObjectFile(*this, fileName, mode, "GPoint2D", {"GPoint2D"}, false);
}

std::string GPoint2D::className() const
{
    return "GPoint2D";
}
