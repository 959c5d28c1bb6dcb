#pragma once

// A numeric vector of doubles with the serialisation of GBase. Element access is
// bounds-checked: a bad index is reported and lands on a shared dummy element. Vectors are
// values: each owns its storage.

#include "gbase.h"

class GVector : public virtual GBase
{
public:
    GVector() = default;
    explicit GVector(int n);
    GVector(const GVector& v);
    GVector(GVector&& v) noexcept;
    ~GVector() override;

    GVector& operator=(const GVector& v);
    GVector& operator=(GVector&& v) noexcept;

    // Both discard the old values and clear both flags; the new values of create(n) are
    // unspecified until written.
    bool create(int n);
    bool create(int n, double v);
    // Keeps the first min(n, size()) values and both flags.
    bool resize(int n);

    GVector operator+(const GVector& v) const;
    GVector operator-(const GVector& v) const;

    double& operator()(int i) { return (i >= 0 && i < n) ? elements[i] : outOfRange(i); }
    const double& operator()(int i) const
    {
        return (i >= 0 && i < n) ? elements[i] : outOfRangeConst(i);
    }

    int size() const { return n; }

    // Appends the homogeneous coordinate 1.0.
    bool homogenize();

    bool write(std::ostream& os, int mode) const override;
    bool read(std::istream& is, int mode) override;
    bool writeToFile(const char* fileName, int mode) const override;
    bool readFromFile(const char* fileName, int mode) override;
    std::string className() const override;

    bool tFlag = false;
    bool homogenized = false;

private:
    double& outOfRange(int i);
    const double& outOfRangeConst(int i) const;
    // Reads the count of modes 1 and 3 and brings the vector to that size.
    bool takeCount(std::istream& is, int count, int bytesEach);

    int n = 0;
    double* elements = nullptr;
};
