#pragma once

// A pair of homologous points: the same scene point in the left (`first`) and the right
// (`second`) image of a stereo pair. A plain value.

#include "gpoint2d.h"

class GHomPt : public GBase
{
public:
    GHomPt() = default;
    GHomPt(const GPoint2D& first, const GPoint2D& second);
    GHomPt(const GHomPt& h) = default;
    GHomPt(GHomPt&& h) noexcept = default;
    ~GHomPt() override;

    GHomPt& operator=(const GHomPt& h) = default;
    GHomPt& operator=(GHomPt&& h) noexcept = default;

    bool operator!=(const GHomPt& h) const;
    bool operator==(const GHomPt& h) const { return !(*this != h); }

    bool write(std::ostream& os, int mode) const override;
    bool read(std::istream& is, int mode) override;
    bool writeToFile(const char* fileName, int mode) const override;
    bool readFromFile(const char* fileName, int mode) override;
    std::string className() const override;

    GPoint2D first;
    GPoint2D second;
};
