#pragma once

// An ordered list of points with a list-wide homogeneous flag and a bucket grid for picking
// points (in a rectangle, near a position, the nearest one). The grid is a snapshot: call
// buildGrid() again after changing the points. Lists are values; a copy carries the points
// and the flag but no grid.

#include "gpoint2d.h"
#include "grect2d.h"

#include <vector>

class GPoint2DVector : public std::vector<GPoint2D>, public GIsr
{
public:
    using std::vector<GPoint2D>::vector;
    GPoint2DVector() = default;
    GPoint2DVector(const GPoint2DVector& list);
    GPoint2DVector(GPoint2DVector&& list) noexcept;
    ~GPoint2DVector() override;

    GPoint2DVector& operator=(const GPoint2DVector& list);
    GPoint2DVector& operator=(GPoint2DVector&& list) noexcept;

    // Sorts the points into cols x rows cells over `area` (cols or rows below 1 mean 8 x 8)
    // and returns the number of cells that received a point. A point on the right or bottom
    // edge of the area is in no cell. An area without width or height leaves no grid.
    int buildGrid(const GRect2D& area, int cols, int rows);
    // Indices of the grid's points inside `rect` (bounds included), in cell order.
    std::vector<int> pointsInRect(const GRect2D& rect) const;
    // Indices of the grid's points less than `distance` away from `centre` in x and in y.
    std::vector<int> pointsNear(const GPoint2D& centre, double distance) const;
    // Index of the point nearest to `position` among all points or among `candidates`;
    // the first of equally near points wins; -1 when there is none.
    int nearestPoint(const GPoint2D& position, const std::vector<int>* candidates = nullptr) const;

    // Style 0x1000: a polyline through the points; 0x2000: separate segments from the last
    // pair down; any other style: every point with that style and size.
    bool doDraw(GImg* image, const GPixelValue& value, int style, int size) const override;

    bool write(std::ostream& os, int mode) const override;
    bool read(std::istream& is, int mode) override;
    bool writeToFile(const char* fileName, int mode) const override;
    bool readFromFile(const char* fileName, int mode) override;
    std::string className() const override;

    bool homogenized = false;
    std::vector<std::vector<int>> gridCells;
    int gridCols = 0;
    int gridRows = 0;
    GRect2D gridArea;

private:
    bool hasGrid() const;
};
