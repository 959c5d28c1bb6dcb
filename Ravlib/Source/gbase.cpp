#include "gbase.h"

#include "gerror.h"
#include "gio.h"

#include <fstream>
#include <locale>
#include <new>
#include <sstream>

GBase::~GBase() = default;

GIsr::~GIsr() = default;

std::string GBase::className() const
{
    return "GBase";
}

int GBase::defaultMode() const
{
    return 0;
}

bool GBase::writeToFile(const char* fileName, int mode) const
{
    const std::string function = "GBase::writeToFile() [" + className() + "]";
    const char* name = fileName ? fileName : "";
    if (mode == 0)
        mode = defaultMode();
    try {
        std::ostringstream os;
        os.imbue(std::locale::classic());
        if (mode == 1)
            os << className() << " {\n";
        bool written = write(os, mode);
        if (written && mode == 1)
            os << "}\n";
        if (!written || !os) {
            gError.raise(function.c_str(), __FILE__, __LINE__, 21, "%s", name);
            return false;
        }
        const int result = gio::saveFile(name, os.str());
        if (result != 0) {
            gError.raise(function.c_str(), __FILE__, __LINE__, result, "%s", name);
            return false;
        }
        return true;
    } catch (const std::bad_alloc&) {
        gError.raise(function.c_str(), __FILE__, __LINE__, 10, "");
        return false;
    }
}

bool GBase::readFromFile(const char* fileName, int mode)
{
    const std::string function = "GBase::readFromFile() [" + className() + "]";
    const char* name = fileName ? fileName : "";
    if (mode == 0)
        mode = defaultMode();
    std::ifstream file;
    file.imbue(std::locale::classic());
    file.open(name);
    if (!file) {
        gError.raise(function.c_str(), __FILE__, __LINE__, 20, "%s", name);
        return false;
    }
    if (mode == 1) {
        std::string word;
        file >> word;
        if (word != className()) {
            gError.raise(function.c_str(), __FILE__, __LINE__, 27, "file: %s, key: %s", name,
                         word.c_str());
            return false;
        }
    }
    if (!expect_char(file, mode, '{') || !read(file, mode) || !expect_char(file, mode, '}')) {
        gError.raise(function.c_str(), __FILE__, __LINE__, 22, "%s", name);
        return false;
    }
    return true;
}

std::ostream& operator<<(std::ostream& os, const GBase& object)
{
    object.write(os, 2);
    return os;
}

std::istream& operator>>(std::istream& is, GBase& object)
{
    object.read(is, 2);
    return is;
}

bool expect_char(std::istream& is, int mode, char c)
{
    if (mode != 1)
        return true;
    char found = 0;
    if (!(is >> found) || found != c) {
        gError.raise("GMesh::expect_char()", __FILE__, __LINE__, 25, "missing %c in ASCII stream",
                     c);
        return false;
    }
    return true;
}
