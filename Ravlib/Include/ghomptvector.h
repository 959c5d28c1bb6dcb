#pragma once

// An ordered list of homologous point pairs with the serialisation of GBase and a plain-text
// form split over two files, one per image. A plain value.

#include "ghompt.h"

#include <vector>

class GHomPtVector : public std::vector<GHomPt>, public GBase
{
public:
    using std::vector<GHomPt>::vector;
    GHomPtVector() = default;
    GHomPtVector(const GHomPtVector& list) = default;
    GHomPtVector(GHomPtVector&& list) noexcept = default;
    ~GHomPtVector() override;

    GHomPtVector& operator=(const GHomPtVector& list) = default;
    GHomPtVector& operator=(GHomPtVector&& list) noexcept = default;

    bool write(std::ostream& os, int mode) const override;
    bool read(std::istream& is, int mode) override;
    bool writeToFile(const char* fileName, int mode) const override;
    bool readFromFile(const char* fileName, int mode) override;
    std::string className() const override;

    // One line "x y" per pair: the first points to `firstFile`, the second points to
    // `secondFile`. Mode 0 or 2 only.
    virtual bool writeToFiles(const char* firstFile, const char* secondFile, int mode) const;
    // Appends the pairs made of the points of the two files, up to the end of the shorter.
    virtual bool readFromFiles(const char* firstFile, const char* secondFile);
};
