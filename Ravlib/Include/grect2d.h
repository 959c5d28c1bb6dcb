#pragma once

// An axis-parallel rectangle given by two corners; where an order matters (the area of a
// point list's grid) `corner1` holds the smaller x and y. Draws its outline as four lines.
// A plain value.

#include "gpoint2d.h"

class GRect2D : public GIsr
{
public:
    GRect2D() = default;
    GRect2D(double x1, double y1, double x2, double y2);
    GRect2D(const GRect2D& r) = default;
    GRect2D(GRect2D&& r) noexcept = default;
    ~GRect2D() override;

    GRect2D& operator=(const GRect2D& r) = default;
    GRect2D& operator=(GRect2D&& r) noexcept = default;

    // The four sides as one-pixel-wide lines; style and size are passed on.
    bool doDraw(GImg* image, const GPixelValue& value, int style, int size) const override;

    // Writes modes 1, 2 and 7 (one line "KBV x1 y1  x2 y2 "); reads modes 1, 2 and 3.
    bool write(std::ostream& os, int mode) const override;
    bool read(std::istream& is, int mode) override;
    bool writeToFile(const char* fileName, int mode) const override;
    bool readFromFile(const char* fileName, int mode) override;
    std::string className() const override;

    GPoint2D corner1;
    GPoint2D corner2;
};
