#include "gpoint2dvector.h"

#include "gerror.h"
#include "gimg.h"
#include "gio.h"
#include "gline2d.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <new>
#include <ostream>
#include <stdexcept>
#include <utility>

namespace {

const char* const kRead = "GPoint2DVector::read()";
const char* const kWrite = "GPoint2DVector::write()";

// Smallest stream space of one point: two values of at least one character each in text,
// flags, count and two doubles in binary.
constexpr int kTextBytesPerPoint = 2;
constexpr int kBinaryBytesPerPoint = 2 + 4 + 2 * 8;

} // namespace

GPoint2DVector::GPoint2DVector(const GPoint2DVector& list)
    : GBase()
    , std::vector<GPoint2D>(list)
    , GIsr()
    , homogenized(list.homogenized)
{
}

GPoint2DVector::GPoint2DVector(GPoint2DVector&& list) noexcept
    : GBase()
    , std::vector<GPoint2D>(std::move(list))
    , GIsr()
    , homogenized(list.homogenized)
{
}

GPoint2DVector::~GPoint2DVector() = default;

GPoint2DVector& GPoint2DVector::operator=(const GPoint2DVector& list)
{
    if (this != &list) {
        std::vector<GPoint2D>::operator=(list);
        homogenized = list.homogenized;
        gridCells.clear();
    }
    return *this;
}

GPoint2DVector& GPoint2DVector::operator=(GPoint2DVector&& list) noexcept
{
    if (this != &list) {
        std::vector<GPoint2D>::operator=(std::move(list));
        homogenized = list.homogenized;
        gridCells.clear();
    }
    return *this;
}

bool GPoint2DVector::hasGrid() const
{
    return gridCols > 0 && gridRows > 0
           && gridCells.size() == std::size_t(gridCols) * std::size_t(gridRows);
}

int GPoint2DVector::buildGrid(const GRect2D& area, int cols, int rows)
{
    const double x1 = area.corner1(0);
    const double y1 = area.corner1(1);
    const double x2 = area.corner2(0);
    const double y2 = area.corner2(1);
    if (!(x1 < x2) || !(y1 < y2)) {
        gridCells.clear();
        return 0;
    }
    if (cols < 1 || rows < 1) {
        cols = 8;
        rows = 8;
    }
    const double cellWidth = (x2 - x1) / cols;
    const double cellHeight = (y2 - y1) / rows;
    try {
        std::vector<std::vector<int>> cells(std::size_t(cols) * std::size_t(rows));
        const int count = int(size());
        for (int i = 0; i < count; ++i) {
            const GPoint2D& p = (*this)[std::size_t(i)];
            // Truncation toward zero: a point less than a cell left of or above the area
            // still lands in the first column or row. Compared as doubles, so that no
            // out-of-range value is ever converted to int.
            const double c = std::trunc((p(0) - x1) / cellWidth);
            const double r = std::trunc((p(1) - y1) / cellHeight);
            if (c >= 0 && c < cols && r >= 0 && r < rows)
                cells[std::size_t(r) * std::size_t(cols) + std::size_t(c)].push_back(i);
        }
        gridCells.swap(cells);
    } catch (const std::bad_alloc&) {
        gridCells.clear();
        gError.raise("GPoint2DVector::buildGrid()", __FILE__, __LINE__, 10, "");
        return 0;
    } catch (const std::length_error&) {
        gridCells.clear();
        gError.raise("GPoint2DVector::buildGrid()", __FILE__, __LINE__, 10, "");
        return 0;
    }
    gridCols = cols;
    gridRows = rows;
    gridArea = area;
    return int(std::count_if(gridCells.begin(), gridCells.end(),
                             [](const std::vector<int>& cell) { return !cell.empty(); }));
}

std::vector<int> GPoint2DVector::pointsInRect(const GRect2D& rect) const
{
    std::vector<int> found;
    if (!hasGrid())
        return found;
    const double ax = gridArea.corner1(0);
    const double ay = gridArea.corner1(1);
    const double cellWidth = (gridArea.corner2(0) - ax) / gridCols;
    const double cellHeight = (gridArea.corner2(1) - ay) / gridRows;
    const double rx1 = rect.corner1(0);
    const double ry1 = rect.corner1(1);
    const double rx2 = rect.corner2(0);
    const double ry2 = rect.corner2(1);

    // Not-a-number bounds fail the range tests and give an empty range.
    const double c0 = std::max(std::trunc((rx1 - ax) / cellWidth), 0.0);
    const double c1 = std::min(std::trunc((rx2 - ax) / cellWidth), double(gridCols - 1));
    const double r0 = std::max(std::trunc((ry1 - ay) / cellHeight), 0.0);
    const double r1 = std::min(std::trunc((ry2 - ay) / cellHeight), double(gridRows - 1));
    if (!(c0 <= c1) || !(r0 <= r1))
        return found;
    const int col0 = int(c0);
    const int col1 = int(c1);
    const int row0 = int(r0);
    const int row1 = int(r1);

    const int count = int(size());
    try {
        const double share
                = double(col1 - col0 + 1) * double(row1 - row0 + 1) / double(gridCells.size());
        found.reserve(std::size_t(double(count) * share));
        for (int r = row0; r <= row1; ++r) {
            for (int c = col0; c <= col1; ++c) {
                for (int i : gridCells[std::size_t(r) * std::size_t(gridCols) + std::size_t(c)]) {
                    // A grid older than the last removal may name points that are gone.
                    if (i < 0 || i >= count)
                        continue;
                    const GPoint2D& p = (*this)[std::size_t(i)];
                    const double x = p(0);
                    const double y = p(1);
                    if (rx1 <= x && x <= rx2 && ry1 <= y && y <= ry2)
                        found.push_back(i);
                }
            }
        }
    } catch (const std::bad_alloc&) {
        gError.raise("GPoint2DVector::pointsInRect()", __FILE__, __LINE__, 10, "");
        found.clear();
    }
    return found;
}

std::vector<int> GPoint2DVector::pointsNear(const GPoint2D& centre, double distance) const
{
    if (distance < 0)
        return {};
    const double cx = centre(0);
    const double cy = centre(1);
    std::vector<int> found
            = pointsInRect(GRect2D(cx - distance, cy - distance, cx + distance, cy + distance));
    const auto farAway = [&](int i) {
        const GPoint2D& p = (*this)[std::size_t(i)];
        return !(std::fabs(p(0) - cx) < distance && std::fabs(p(1) - cy) < distance);
    };
    found.erase(std::remove_if(found.begin(), found.end(), farAway), found.end());
    return found;
}

int GPoint2DVector::nearestPoint(const GPoint2D& position,
                                 const std::vector<int>* candidates) const
{
    if (empty())
        return -1;
    const double px = position(0);
    const double py = position(1);
    const int count = int(size());
    double best = DBL_MAX;
    int bestIndex = -1;
    const auto examine = [&](int i) {
        const GPoint2D& p = (*this)[std::size_t(i)];
        const double dx = p(0) - px;
        const double dy = p(1) - py;
        const double squared = dx * dx + dy * dy;
        if (squared < best) {
            best = squared;
            bestIndex = i;
        }
    };
    if (candidates) {
        for (int i : *candidates) {
            if (i >= 0 && i < count)
                examine(i);
        }
    } else {
        for (int i = 0; i < count; ++i)
            examine(i);
    }
    return bestIndex;
}

bool GPoint2DVector::doDraw(GImg* image, const GPixelValue& value, int style, int size) const
{
    if (!image) {
        gError.raise("GPoint2DVector::doDraw()", __FILE__, __LINE__, 11, "");
        return false;
    }
    const int count = int(this->size());
    const auto& point = [this](int i) -> const GPoint2D& { return (*this)[std::size_t(i)]; };
    bool drawn = true;
    if (style & 0x1000) {
        for (int i = count - 1; i >= 1; --i)
            drawn = image->draw(GLine2D(point(i), point(i - 1)), value, 0x1000, 15) && drawn;
    } else if (style & 0x2000) {
        for (int i = count - 1; i >= 1; i -= 2)
            drawn = image->draw(GLine2D(point(i), point(i - 1)), value, 0x2000, 15) && drawn;
    } else {
        for (int i = count - 1; i >= 0; --i)
            drawn = image->draw(point(i), value, style, size) && drawn;
    }
    return drawn;
}

bool GPoint2DVector::write(std::ostream& os, int mode) const
{
    if (!gio::checkMode(mode, kWrite))
        return false;
    for (const GPoint2D& p : *this) {
        if (p.homogenized != homogenized) {
            gError.raise(kWrite, __FILE__, __LINE__, 23,
                         homogenized ? "Not all Points are homogenized"
                                     : "Some Points are homogenized");
            return false;
        }
    }
    const int count = int(size());
    const char h = homogenized ? 'h' : 'n';
    if (mode == 1)
        os << "{ " << count << " " << h << " { \n";
    if (mode == 3) {
        gio::writeInt(os, count);
        gio::writeByte(os, h);
    }
    for (const GPoint2D& p : *this) {
        if (mode == 3) {
            if (!p.write(os, 3))
                return false;
        } else {
            if (!p.write(os, 2))
                return false;
            os << "\n";
        }
    }
    if (mode == 1)
        os << "} } ";
    return gio::checkWritten(os, kWrite);
}

bool GPoint2DVector::read(std::istream& is, int mode)
{
    if (!gio::checkMode(mode, kRead))
        return false;
    try {
        int count = 0;
        char h = 0;
        if (mode == 1) {
            if (!expect_char(is, mode, '{') || !gio::readToken(is, count, kRead)
                || !gio::takeListCount(*this, is, count, kTextBytesPerPoint, kRead)
                || !gio::readToken(is, h, kRead) || !expect_char(is, mode, '{'))
                return false;
        } else if (mode == 2) {
            if (empty())
                return gio::refuseEmptyRead(mode, "GPoint2DVector", kRead);
        } else {
            if (!gio::readField(is, count, kRead) || !gio::readField(is, h, kRead)
                || !gio::takeListCount(*this, is, count, kBinaryBytesPerPoint, kRead))
                return false;
        }
        if (mode != 2)
            homogenized = h == 'h';
        for (GPoint2D& p : *this) {
            // A homogeneous list needs room for the third value before reading it.
            if (homogenized && !p.homogenized && !p.homogenize())
                return false;
            if (!p.read(is, mode == 3 ? 3 : 2))
                return false;
        }
        return !(mode == 1 && (!expect_char(is, mode, '}') || !expect_char(is, mode, '}')));
    } catch (const std::bad_alloc&) {
        gError.raise(kRead, __FILE__, __LINE__, 10, "");
        return false;
    }
}

bool GPoint2DVector::writeToFile(const char* fileName, int mode) const
{
    return gio::writeObjectFile(*this, fileName, mode, "GPoint2DVector", true);
}

bool GPoint2DVector::readFromFile(const char* fileName, int mode)
{
    return gio::readObjectFile(*this, fileName, mode, "GPoint2DVector", {"GPoint2DVector"}, true);
}

std::string GPoint2DVector::className() const
{
    return "GPoint2DVector";
}
