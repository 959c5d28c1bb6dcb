#pragma once

// A straight line through two points, kept as its end points, its equation
// a*x + b*y + c = 0 and, unless vertical, its slope form. Draws itself one pixel wide with
// Bresenham's algorithm after clipping to the image. A plain value.

#include "gpoint2d.h"

class GLine2D : public GIsr
{
public:
    enum Kind { General = 1, Horizontal = -5, Vertical = 5 };

    GLine2D(const GPoint2D& p, const GPoint2D& q);
    GLine2D(const GLine2D& l) = default;
    GLine2D(GLine2D&& l) noexcept = default;
    ~GLine2D() override;

    GLine2D& operator=(const GLine2D& l) = default;
    GLine2D& operator=(GLine2D&& l) noexcept = default;

    // `style` and `size` are ignored.
    bool doDraw(GImg* image, const GPixelValue& value, int style, int size) const override;

    // Brings `first` and `second` (the ends to draw between) into the drawable range 0 to
    // cols - 1, 0 to rows - 1: an unbounded side runs to the image border, a bounded end
    // outside the image moves along the line to the border. False when the line is
    // undefined or misses the image.
    bool clip(GPoint2D& first, GPoint2D& second, int cols, int rows) const;

    // Modes 1 and 2 write and read the same text.
    bool write(std::ostream& os, int mode) const override;
    bool read(std::istream& is, int mode) override;
    bool writeToFile(const char* fileName, int mode) const override;
    bool readFromFile(const char* fileName, int mode) override;
    std::string className() const override;

    GPoint2D p1;
    GPoint2D p2;
    bool bounded1 = true;
    bool bounded2 = true;
    double slope = 0.0;
    double intercept = 0.0;
    double a = 0.0;
    double b = 0.0;
    double c = 0.0;
    int kind = General;
};
