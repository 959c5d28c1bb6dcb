#pragma once

// A 2-D image point (x, y), or (x, y, w) once homogenised, that can draw itself into a
// library image. Used by value everywhere: point lists, lines, rectangles and the viewers'
// signals.

#include "gvector.h"

class GPoint2D : public GVector, public GIsr
{
public:
    GPoint2D();
    GPoint2D(double x, double y);
    GPoint2D(const GPoint2D& p);
    GPoint2D(GPoint2D&& p) noexcept;
    // Takes values and flags whatever the size; sizes other than 2 and 3 are reported.
    GPoint2D(const GVector& v);
    ~GPoint2D() override;

    GPoint2D& operator=(const GPoint2D& p);
    GPoint2D& operator=(GPoint2D&& p) noexcept;

    // Compare x and y only, exactly.
    bool operator!=(const GPoint2D& p) const;
    bool operator==(const GPoint2D& p) const { return !(*this != p); }

    // Styles: 0x20 or 0x200 plus, 0x400 x, 0x100 circle, 0x800 single pixel (first
    // matching bit wins); `size` / 2 is the arm length or radius.
    bool doDraw(GImg* image, const GPixelValue& value, int style, int size) const override;

    bool writeToFile(const char* fileName, int mode) const override;
    bool readFromFile(const char* fileName, int mode) override;
    std::string className() const override;
};
