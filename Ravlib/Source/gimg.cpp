#include "gimg.h"

#include "gbase.h"
#include "gerror.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <type_traits>

namespace {

// The type code of each pixel type.
template<typename T>
constexpr GImg::Type pixelType()
{
    if constexpr (std::is_same_v<T, unsigned char>)
        return GImg::Byte;
    else if constexpr (std::is_same_v<T, unsigned short>)
        return GImg::UShort;
    else if constexpr (std::is_same_v<T, int>)
        return GImg::Int;
    else if constexpr (std::is_same_v<T, float>)
        return GImg::Float;
    else
        return GImg::Double;
}

// The name the element access of each typed image reports under.
const char* accessName(GImg::Type type)
{
    switch (type) {
    case GImg::Byte:
        return "GBytImg::operator ()";
    case GImg::UShort:
        return "GUShortImg::operator ()";
    case GImg::Int:
        return "GIntImg::operator ()";
    case GImg::Float:
        return "GFltImg::operator ()";
    default:
        return "GDblImg::operator ()";
    }
}

// Truncation toward zero, held to the pixel type's range: a plain cast of an out-of-range
// double to an integer type is undefined.
template<typename T>
T toPixel(double value)
{
    using Limits = std::numeric_limits<T>;
    if constexpr (std::is_floating_point_v<T>) {
        if (value > double(Limits::max()))
            return Limits::infinity();
        if (value < double(Limits::lowest()))
            return -Limits::infinity();
        return static_cast<T>(value);
    } else {
        if (std::isnan(value))
            return 0;
        const double truncated = std::trunc(value);
        if (truncated <= double(Limits::lowest()))
            return Limits::lowest();
        if (truncated >= double(Limits::max()))
            return Limits::max();
        return static_cast<T>(truncated);
    }
}

template<typename T>
T& dummyPixel()
{
    static T pixel{};
    return pixel;
}

} // namespace

double GPixelValue::valueForPlane(int plane) const
{
    if (count == 1)
        return scalar;
    if (plane >= 0 && plane < count && std::size_t(plane) < values.size())
        return values[std::size_t(plane)];
    return 0.0;
}

GImg::~GImg() = default;

int GImg::cols() const
{
    if (imageType == Unknown) {
        gError.raise("GImg::cols()", __FILE__, __LINE__, 51, "");
        return 0;
    }
    return nCols;
}

int GImg::rows() const
{
    if (imageType == Unknown) {
        gError.raise("GImg::rows()", __FILE__, __LINE__, 51, "");
        return 0;
    }
    return nRows;
}

bool GImg::isDrawable() const
{
    switch (imageType) {
    case Binary:
    case Byte:
    case UShort:
    case Int:
    case Double:
        return true;
    default:
        return false;
    }
}

bool GImg::draw(const GIsr& object, const GPixelValue& value, int style, int size)
{
    return object.doDraw(this, value, style, size);
}

void GImg::putPixel(int x, int y, const GPixelValue& value)
{
    if (nPlanes == 1) {
        putValue(x, y, 0, value.scalar);
        return;
    }
    for (int plane = nPlanes - 1; plane >= 0; --plane)
        putValue(x, y, plane, value.valueForPlane(plane));
}

bool GImg::checkSize(int cols, int rows, int planes, std::size_t pixelSize)
{
    if (cols < 1 || rows < 1 || planes < 1) {
        gError.raise("GImg::GImg()", __FILE__, __LINE__, 40, "Not possible to create (%d,%d,%d)",
                     cols, rows, planes);
        return false;
    }
    const double bytes = double(cols) * double(rows) * double(planes) * double(pixelSize);
    if (bytes > double(std::numeric_limits<std::ptrdiff_t>::max()) / 2) {
        gError.raise("GImg::GImg()", __FILE__, __LINE__, 10, "");
        return false;
    }
    return true;
}

void GImg::setSize(int cols, int rows, int planes)
{
    nCols = cols;
    nRows = rows;
    nPlanes = planes;
}

GBinImg::GBinImg(int cols, int rows, int planes)
    : GImg(Binary)
{
    if (!checkSize(cols, rows, planes, 1))
        return;
    try {
        pixels.assign(std::size_t(cols) * std::size_t(rows) * std::size_t(planes), 0);
        setSize(cols, rows, planes);
    } catch (const std::bad_alloc&) {
        gError.raise("GImg::GImg()", __FILE__, __LINE__, 10, "");
    }
}

unsigned char& GBinImg::operator()(int x, int y, int plane)
{
    if (contains(x, y, plane))
        return pixels[index(x, y, plane)];
    gError.raise("GBinImg::operator ()", __FILE__, __LINE__, 31,
                 "Not possible to access (%d,%d,%d)", x, y, plane);
    return dummyPixel<unsigned char>();
}

const unsigned char& GBinImg::operator()(int x, int y, int plane) const
{
    if (contains(x, y, plane))
        return pixels[index(x, y, plane)];
    gError.raise("GBinImg::operator ()", __FILE__, __LINE__, 31,
                 "Not possible to access (%d,%d,%d)", x, y, plane);
    return dummyPixel<const unsigned char>();
}

void GBinImg::putValue(int x, int y, int plane, double value)
{
    (*this)(x, y, plane) = std::fabs(value) >= 1e-15 ? 1 : 0;
}

template<typename T>
GTypedImg<T>::GTypedImg(int cols, int rows, int planes)
    : GImg(pixelType<T>())
{
    if (!checkSize(cols, rows, planes, sizeof(T)))
        return;
    try {
        pixels.assign(std::size_t(cols) * std::size_t(rows) * std::size_t(planes), T{});
        setSize(cols, rows, planes);
    } catch (const std::bad_alloc&) {
        gError.raise("GImg::GImg()", __FILE__, __LINE__, 10, "");
    }
}

template<typename T>
T& GTypedImg<T>::operator()(int x, int y, int plane)
{
    if (contains(x, y, plane))
        return pixels[index(x, y, plane)];
    gError.raise(accessName(type()), __FILE__, __LINE__, 31, "Not possible to access ( %d,%d,%d )",
                 x, y, plane);
    return dummyPixel<T>();
}

template<typename T>
const T& GTypedImg<T>::operator()(int x, int y, int plane) const
{
    if (contains(x, y, plane))
        return pixels[index(x, y, plane)];
    gError.raise(accessName(type()), __FILE__, __LINE__, 31, "Not possible to access ( %d,%d,%d )",
                 x, y, plane);
    return dummyPixel<const T>();
}

template<typename T>
void GTypedImg<T>::putValue(int x, int y, int plane, double value)
{
    (*this)(x, y, plane) = toPixel<T>(value);
}

template class GTypedImg<unsigned char>;
template class GTypedImg<unsigned short>;
template class GTypedImg<int>;
template class GTypedImg<float>;
template class GTypedImg<double>;
