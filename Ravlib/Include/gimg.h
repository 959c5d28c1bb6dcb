#pragma once

// The library's own images, the targets of doDraw: one or more planes of binary, 8-bit,
// 16-bit unsigned, int or double pixels (a float kind exists but cannot be drawn into).
// Pixel access is bounds-checked: a bad position is reported and lands on a dummy pixel.
// Images are values owned by whoever creates them.

#include <cstddef>
#include <vector>

class GIsr;

// The value that a drawing operation writes: `scalar` for every plane when `count` is 1,
// otherwise `values[p]` for plane p below `count` and 0 beyond.
struct GPixelValue
{
    GPixelValue() = default;
    GPixelValue(double scalarValue)
        : scalar(scalarValue)
    {
    }
    GPixelValue(const std::vector<double>& planeValues)
        : count(static_cast<int>(planeValues.size()))
        , values(planeValues)
    {
    }

    double valueForPlane(int plane) const;

    int count = 1;
    std::vector<double> values;
    double scalar = 0.0;
};

class GImg
{
public:
    enum Type { Unknown, Binary, Byte, UShort, Int, Float, Double };

    virtual ~GImg();

    Type type() const { return imageType; }
    // An image of unknown type is reported (code 51) and counts as 0 by 0.
    int cols() const;
    int rows() const;
    int planes() const { return nPlanes; }
    // Whether drawing supports the pixel type.
    bool isDrawable() const;

    // Hands the object to its doDraw with this image.
    bool draw(const GIsr& object, const GPixelValue& value, int style, int size);
    // Sets (x, y) in every plane, the highest plane first; a position outside the image is
    // reported by the pixel access.
    void putPixel(int x, int y, const GPixelValue& value);

protected:
    explicit GImg(Type type)
        : imageType(type)
    {
    }
    // Checks the dimensions; false (after a report) when they cannot make an image.
    bool checkSize(int cols, int rows, int planes, std::size_t pixelSize);
    void setSize(int cols, int rows, int planes);
    std::size_t index(int x, int y, int plane) const
    {
        return (std::size_t(plane) * std::size_t(nRows) + std::size_t(y)) * std::size_t(nCols)
               + std::size_t(x);
    }
    bool contains(int x, int y, int plane) const
    {
        return x >= 0 && x < nCols && y >= 0 && y < nRows && plane >= 0 && plane < nPlanes;
    }
    virtual void putValue(int x, int y, int plane, double value) = 0;

private:
    Type imageType;
    int nCols = 0;
    int nRows = 0;
    int nPlanes = 0;
};

// Binary image: every pixel 0 or 1; a drawn value counts as 1 from a magnitude of 1e-15.
class GBinImg : public GImg
{
public:
    GBinImg(int cols, int rows, int planes = 1);

    unsigned char& operator()(int x, int y, int plane = 0);
    const unsigned char& operator()(int x, int y, int plane = 0) const;

protected:
    void putValue(int x, int y, int plane, double value) override;

private:
    std::vector<unsigned char> pixels;
};

// Image of typed pixels; drawn values are truncated toward zero and held to the type's range.
template<typename T>
class GTypedImg : public GImg
{
public:
    GTypedImg(int cols, int rows, int planes = 1);

    T& operator()(int x, int y, int plane = 0);
    const T& operator()(int x, int y, int plane = 0) const;

protected:
    void putValue(int x, int y, int plane, double value) override;

private:
    std::vector<T> pixels;
};

extern template class GTypedImg<unsigned char>;
extern template class GTypedImg<unsigned short>;
extern template class GTypedImg<int>;
extern template class GTypedImg<float>;
extern template class GTypedImg<double>;

using GBytImg = GTypedImg<unsigned char>;
using GUShortImg = GTypedImg<unsigned short>;
using GIntImg = GTypedImg<int>;
using GFltImg = GTypedImg<float>;
using GDblImg = GTypedImg<double>;
