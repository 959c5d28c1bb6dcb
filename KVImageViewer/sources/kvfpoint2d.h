#pragma once

// A point in image pixels with double coordinates: one vertex of a viewer's polyline.
class KVFPoint2D
{
public:
    KVFPoint2D() = default;
    KVFPoint2D(double x, double y)
        : x(x)
        , y(y)
    {
    }
    KVFPoint2D(const KVFPoint2D&) = default;
    KVFPoint2D& operator=(const KVFPoint2D&) = default;
    virtual ~KVFPoint2D() = default;

    double x = 0.0;
    double y = 0.0;
};
