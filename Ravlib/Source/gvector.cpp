#include "gvector.h"

#include "gerror.h"
#include "gio.h"

#include <algorithm>
#include <istream>
#include <new>
#include <ostream>
#include <utility>

namespace {

// Where out-of-range accesses land; a write through it changes no vector.
double dummyElement = 0.0;
const double constDummyElement = 0.0;

const char* const kRead = "GVector::read()";
const char* const kWrite = "GVector::write()";

} // namespace

GVector::GVector(int n)
{
    create(n);
}

GVector::GVector(const GVector& v)
    : GBase()
    , tFlag(v.tFlag)
    , homogenized(v.homogenized)
{
    if (v.n == 0)
        return;
    elements = new (std::nothrow) double[v.n];
    if (!elements) {
        gError.raise("GVector::create()", __FILE__, __LINE__, 10, "");
        return;
    }
    n = v.n;
    std::copy(v.elements, v.elements + n, elements);
}

GVector::GVector(GVector&& v) noexcept
    : GBase()
    , tFlag(v.tFlag)
    , homogenized(v.homogenized)
    , n(std::exchange(v.n, 0))
    , elements(std::exchange(v.elements, nullptr))
{
}

GVector::~GVector()
{
    delete[] elements;
}

GVector& GVector::operator=(const GVector& v)
{
    if (this == &v)
        return *this;
    if (v.n == 0) {
        // Copying an empty vector is no error: the target just becomes empty too.
        delete[] elements;
        elements = nullptr;
        n = 0;
    } else if (n != v.n && !create(v.n)) {
        return *this;
    }
    tFlag = v.tFlag;
    homogenized = v.homogenized;
    std::copy(v.elements, v.elements + v.n, elements);
    return *this;
}

GVector& GVector::operator=(GVector&& v) noexcept
{
    if (this == &v)
        return *this;
    delete[] elements;
    n = std::exchange(v.n, 0);
    elements = std::exchange(v.elements, nullptr);
    tFlag = v.tFlag;
    homogenized = v.homogenized;
    return *this;
}

bool GVector::create(int size)
{
    if (size < 1) {
        gError.raise("GVector::create()", __FILE__, __LINE__, 40, "Not possible to create (%d)",
                     size);
        return false;
    }
    delete[] elements;
    n = 0;
    tFlag = false;
    homogenized = false;
    // Zeroed, so that a read that stops part-way leaves no indeterminate values behind.
    elements = new (std::nothrow) double[size]();
    if (!elements) {
        gError.raise("GVector::create()", __FILE__, __LINE__, 10, "");
        return false;
    }
    n = size;
    return true;
}

bool GVector::create(int size, double v)
{
    if (!create(size))
        return false;
    std::fill(elements, elements + n, v);
    return true;
}

bool GVector::resize(int size)
{
    if (size < 1) {
        gError.raise("GVector::resize()", __FILE__, __LINE__, 40, "Not possible to resize to (%d)",
                     size);
        return false;
    }
    double* grown = new (std::nothrow) double[size]();
    if (!grown) {
        gError.raise("GVector::resize()", __FILE__, __LINE__, 10, "");
        return false;
    }
    std::copy(elements, elements + std::min(n, size), grown);
    delete[] elements;
    elements = grown;
    n = size;
    return true;
}

GVector GVector::operator+(const GVector& v) const
{
    GVector result;
    if (n != v.n) {
        gError.raise("GVector::operator +", __FILE__, __LINE__, 40, "(%d)!=(%d)", n, v.n);
        return result;
    }
    result = *this;
    for (int i = 0; i < result.n; ++i)
        result.elements[i] += v.elements[i];
    return result;
}

GVector GVector::operator-(const GVector& v) const
{
    GVector result;
    if (n != v.n) {
        gError.raise("GVector::operator -", __FILE__, __LINE__, 40, "(%d)!=(%d)", n, v.n);
        return result;
    }
    result = *this;
    for (int i = 0; i < result.n; ++i)
        result.elements[i] -= v.elements[i];
    return result;
}

double& GVector::outOfRange(int i)
{
    gError.raise("GVector::operator ()", __FILE__, __LINE__, 31, "Not possible to access (%d)", i);
    return dummyElement;
}

const double& GVector::outOfRangeConst(int i) const
{
    gError.raise("GVector::operator ()", __FILE__, __LINE__, 31, "Not possible to access (%d)", i);
    return constDummyElement;
}

bool GVector::homogenize()
{
    if (homogenized || n < 1) {
        gError.raise("GVector::homogenize()", __FILE__, __LINE__, 1,
                     "Point already homogenized or of dimension zero!");
        return false;
    }
    if (!resize(n + 1))
        return false;
    elements[n - 1] = 1.0;
    homogenized = true;
    return true;
}

bool GVector::write(std::ostream& os, int mode) const
{
    if (!gio::checkMode(mode, kWrite))
        return false;
    const char t = tFlag ? 't' : 'n';
    const char h = homogenized ? 'h' : 'n';
    if (mode == 1) {
        os << "{ " << n << " " << t << h << " { ";
        for (int i = 0; i < n; ++i)
            os << elements[i] << " ";
        os << " } } ";
    } else if (mode == 2) {
        for (int i = 0; i < n; ++i)
            os << elements[i] << " ";
    } else {
        gio::writeByte(os, t);
        gio::writeByte(os, h);
        gio::writeInt(os, n);
        for (int i = 0; i < n; ++i)
            gio::writeDouble(os, elements[i]);
    }
    return gio::checkWritten(os, kWrite);
}

bool GVector::takeCount(std::istream& is, int count, int bytesEach)
{
    if (n != 0) {
        if (count == n)
            return true;
        gError.raise(kRead, __FILE__, __LINE__, 40, "(%d)!=(%d)", n, count);
        return false;
    }
    if (count == 0)
        return true; // an empty vector reads back as empty
    if (count > 0 && !gio::checkCount(is, count, bytesEach, kRead))
        return false;
    return create(count);
}

bool GVector::read(std::istream& is, int mode)
{
    if (!gio::checkMode(mode, kRead))
        return false;
    int count = 0;
    char t = 0;
    char h = 0;
    if (mode == 1) {
        if (!expect_char(is, mode, '{') || !gio::readToken(is, count, kRead)
            || !takeCount(is, count, 1) || !gio::readToken(is, t, kRead)
            || !gio::readToken(is, h, kRead) || !expect_char(is, mode, '{'))
            return false;
    } else if (mode == 2) {
        if (n == 0)
            return gio::refuseEmptyRead(mode, "GVector", kRead);
    } else {
        if (!gio::readField(is, t, kRead) || !gio::readField(is, h, kRead)
            || !gio::readField(is, count, kRead) || !takeCount(is, count, 8))
            return false;
    }
    if (mode != 2) {
        tFlag = t == 't';
        homogenized = h == 'h';
    }
    for (int i = 0; i < n; ++i) {
        const bool ok = mode == 3 ? gio::readField(is, elements[i], kRead)
                                  : gio::readToken(is, elements[i], kRead);
        if (!ok)
            return false;
    }
    return !(mode == 1 && (!expect_char(is, mode, '}') || !expect_char(is, mode, '}')));
}

bool GVector::writeToFile(const char* fileName, int mode) const
{
    return gio::writeObjectFile(*this, fileName, mode, "GVector", true);
}

bool GVector::readFromFile(const char* fileName, int mode)
{
    return gio::readObjectFile(*this, fileName, mode, "GVector",
                               {"GVector", "GPoint2D", "GPoint3D"}, true);
}

std::string GVector::className() const
{
    return "GVector";
}
