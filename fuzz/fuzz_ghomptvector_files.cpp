// GHomPtVector::readFromFiles over two files: the input up to its first zero byte is the
// first file, the rest the second. What was read is written with writeToFiles and must
// read back as the same pairs.

#include "fuzzcommon.h"
#include "ghomptvector.h"

#include <algorithm>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::silenceErrors();
    const char* text = reinterpret_cast<const char*>(data);
    const char* cut = std::find(text, text + size, '\0');
    const std::string firstText(text, cut);
    const std::string secondText(cut == text + size ? cut : cut + 1, text + size);
    const std::string first = fuzz::scratchPath("left");
    const std::string second = fuzz::scratchPath("right");
    fuzz::putFile(first, firstText);
    fuzz::putFile(second, secondText);

    GHomPtVector pairs;
    pairs.readFromFiles(first.c_str(), second.c_str());
    if (pairs.writeToFiles(first.c_str(), second.c_str(), 2)) {
        std::ostringstream written;
        pairs.write(written, 2);
        GHomPtVector back;
        const bool read = back.readFromFiles(first.c_str(), second.c_str());
        std::ostringstream again;
        back.write(again, 2);
        if (!fuzz::lossyText(written.str()) && (!read || again.str() != written.str()))
            fuzz::fail("pair files do not read back", written.str());
    }
    gError.codes.clear();
    return 0;
}
