#include "ghompt.h"

#include "gio.h"

#include <ostream>

namespace {

const char* const kRead = "GHomPt::read()";
const char* const kWrite = "GHomPt::write()";

} // namespace

GHomPt::GHomPt(const GPoint2D& firstPoint, const GPoint2D& secondPoint)
    : first(firstPoint)
    , second(secondPoint)
{
}

GHomPt::~GHomPt() = default;

bool GHomPt::operator!=(const GHomPt& h) const
{
    return first != h.first || second != h.second;
}

bool GHomPt::write(std::ostream& os, int mode) const
{
    if (!gio::checkMode(mode, kWrite))
        return false;
    if (mode == 1)
        os << "{ ";
    const int pointMode = mode == 3 ? 3 : 2;
    if (!first.write(os, pointMode) || !second.write(os, pointMode))
        return false;
    if (mode == 1)
        os << "} ";
    return gio::checkWritten(os, kWrite);
}

bool GHomPt::read(std::istream& is, int mode)
{
    if (!gio::checkMode(mode, kRead))
        return false;
    const int pointMode = mode == 3 ? 3 : 2;
    return expect_char(is, mode, '{') && first.read(is, pointMode) && second.read(is, pointMode)
           && expect_char(is, mode, '}');
}

bool GHomPt::writeToFile(const char* fileName, int mode) const
{
    return gio::writeObjectFile(*this, fileName, mode, "GHomPt", false);
}

bool GHomPt::readFromFile(const char* fileName, int mode)
{
    return gio::readObjectFile(*this, fileName, mode, "GHomPt", {"GHomPt"}, false);
}

std::string GHomPt::className() const
{
    return "GHomPt";
}
