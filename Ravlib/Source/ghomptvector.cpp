#include "ghomptvector.h"

#include "gerror.h"
#include "gio.h"

#include <fstream>
#include <istream>
#include <locale>
#include <new>
#include <ostream>
#include <sstream>

namespace {

const char* const kRead = "GHomPtVector::read()";
const char* const kWrite = "GHomPtVector::write()";

constexpr int kTextBytesPerPair = 4;
constexpr int kBinaryBytesPerPair = 2 * (2 + 4 + 2 * 8);

enum class PlainRead { Point, End, Malformed };

// One "x y" point; End when only white space is left.
PlainRead readPlainPoint(std::istream& is, GPoint2D& point)
{
    is >> std::ws;
    if (is.eof())
        return PlainRead::End;
    double x = 0;
    double y = 0;
    if (!is || !(is >> x >> y))
        return PlainRead::Malformed;
    point = GPoint2D(x, y);
    return PlainRead::Point;
}

} // namespace

GHomPtVector::~GHomPtVector() = default;

bool GHomPtVector::write(std::ostream& os, int mode) const
{
    if (!gio::checkMode(mode, kWrite))
        return false;
    const int count = int(size());
    if (mode == 1)
        os << "{ " << count << " { \n";
    if (mode == 3)
        gio::writeInt(os, count);
    const int pointMode = mode == 3 ? 3 : 2;
    for (const GHomPt& pair : *this) {
        if (!pair.first.write(os, pointMode) || !pair.second.write(os, pointMode))
            return false;
        if (mode != 3)
            os << "\n";
    }
    if (mode == 1)
        os << "} } ";
    return gio::checkWritten(os, kWrite);
}

bool GHomPtVector::read(std::istream& is, int mode)
{
    if (!gio::checkMode(mode, kRead))
        return false;
    try {
        int count = 0;
        if (mode == 1) {
            if (!expect_char(is, mode, '{') || !gio::readToken(is, count, kRead)
                || !gio::takeListCount(*this, is, count, kTextBytesPerPair, kRead)
                || !expect_char(is, mode, '{'))
                return false;
        } else if (mode == 2) {
            if (empty())
                return gio::refuseEmptyRead(mode, "GHomPtVector", kRead);
        } else if (!gio::readField(is, count, kRead)
                   || !gio::takeListCount(*this, is, count, kBinaryBytesPerPair, kRead)) {
            return false;
        }
        const int pointMode = mode == 3 ? 3 : 2;
        for (GHomPt& pair : *this) {
            if (!pair.first.read(is, pointMode) || !pair.second.read(is, pointMode))
                return false;
        }
        return !(mode == 1 && (!expect_char(is, mode, '}') || !expect_char(is, mode, '}')));
    } catch (const std::bad_alloc&) {
        gError.raise(kRead, __FILE__, __LINE__, 10, "");
        return false;
    }
}

bool GHomPtVector::writeToFile(const char* fileName, int mode) const
{
    return gio::writeObjectFile(*this, fileName, mode, "GHomPtVector", true);
}

bool GHomPtVector::readFromFile(const char* fileName, int mode)
{
    return gio::readObjectFile(*this, fileName, mode, "GHomPtVector", {"GHomPtVector"}, true);
}

std::string GHomPtVector::className() const
{
    return "GHomPtVector";
}

bool GHomPtVector::writeToFiles(const char* firstFile, const char* secondFile, int mode) const
{
    const char* const function = "GHomPtVector::writeToFiles()";
    if (mode != 0 && mode != 2) {
        gError.raise(function, __FILE__, __LINE__, 26, "requested mode %d not supported", mode);
        return false;
    }
    try {
        std::ostringstream first;
        std::ostringstream second;
        first.imbue(std::locale::classic());
        second.imbue(std::locale::classic());
        for (const GHomPt& pair : *this) {
            first << pair.first(0) << " " << pair.first(1) << "\n";
            second << pair.second(0) << " " << pair.second(1) << "\n";
        }
        for (const auto& [name, text] :
             {std::make_pair(firstFile, &first), std::make_pair(secondFile, &second)}) {
            const char* fileName = name ? name : "";
            const int result = gio::saveFile(fileName, text->str());
            if (result != 0) {
                gError.raise(function, __FILE__, __LINE__, result, "%s", fileName);
                return false;
            }
        }
    } catch (const std::bad_alloc&) {
        gError.raise(function, __FILE__, __LINE__, 10, "");
        return false;
    }
    return true;
}

bool GHomPtVector::readFromFiles(const char* firstFile, const char* secondFile)
{
    const char* const function = "GHomPtVector::readFromFiles()";
    std::ifstream first;
    std::ifstream second;
    first.imbue(std::locale::classic());
    second.imbue(std::locale::classic());
    first.open(firstFile ? firstFile : "");
    second.open(secondFile ? secondFile : "");
    if (!first || !second) {
        gError.raise(function, __FILE__, __LINE__, 20, "");
        return false;
    }
    try {
        for (;;) {
            GPoint2D left;
            GPoint2D right;
            const PlainRead leftRead = readPlainPoint(first, left);
            const PlainRead rightRead = leftRead == PlainRead::Point
                                                ? readPlainPoint(second, right)
                                                : PlainRead::End;
            if (leftRead == PlainRead::Point && rightRead == PlainRead::Point) {
                push_back(GHomPt(left, right));
                continue;
            }
            // The shorter file ends the list; text that is not a point is an error.
            if (leftRead == PlainRead::Malformed || rightRead == PlainRead::Malformed) {
                gError.raise(function, __FILE__, __LINE__, 22, "%s",
                             leftRead == PlainRead::Malformed ? firstFile : secondFile);
                return false;
            }
            return true;
        }
    } catch (const std::bad_alloc&) {
        gError.raise(function, __FILE__, __LINE__, 10, "");
        return false;
    }
}
