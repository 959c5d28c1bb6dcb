#include "gio.h"

#include "gbase.h"
#include "gerror.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <istream>
#include <locale>
#include <new>
#include <ostream>
#include <sstream>

namespace gio {

namespace {

template<typename Unsigned>
void writeLittleEndian(std::ostream& os, Unsigned bits)
{
    char bytes[sizeof(Unsigned)];
    for (std::size_t i = 0; i < sizeof(Unsigned); ++i)
        bytes[i] = static_cast<char>((bits >> (8 * i)) & 0xff);
    os.write(bytes, sizeof bytes);
}

template<typename Unsigned>
bool readLittleEndian(std::istream& is, Unsigned& bits)
{
    unsigned char bytes[sizeof(Unsigned)];
    if (!is.read(reinterpret_cast<char*>(bytes), sizeof bytes))
        return false;
    bits = 0;
    for (std::size_t i = 0; i < sizeof(Unsigned); ++i)
        bits |= static_cast<Unsigned>(bytes[i]) << (8 * i);
    return true;
}

bool reportRead(const char* function)
{
    gError.raise(function, __FILE__, __LINE__, 24, "");
    return false;
}

} // namespace

void writeInt(std::ostream& os, int value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    writeLittleEndian(os, bits);
}

void writeDouble(std::ostream& os, double value)
{
    static_assert(sizeof(double) == 8, "binary records hold 8-byte doubles");
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    writeLittleEndian(os, bits);
}

void writeByte(std::ostream& os, char value)
{
    os.put(value);
}

bool readInt(std::istream& is, int& value)
{
    std::uint32_t bits;
    if (!readLittleEndian(is, bits))
        return false;
    std::memcpy(&value, &bits, sizeof value);
    return true;
}

bool readDouble(std::istream& is, double& value)
{
    std::uint64_t bits;
    if (!readLittleEndian(is, bits))
        return false;
    std::memcpy(&value, &bits, sizeof value);
    return true;
}

bool readByte(std::istream& is, char& value)
{
    return static_cast<bool>(is.get(value));
}

// A failed read leaves the target as it was (the stream operators would zero it).
template<typename T, typename Reader>
bool readInto(T& value, const char* function, Reader read)
{
    T token{};
    if (!read(token))
        return reportRead(function);
    value = token;
    return true;
}

bool readToken(std::istream& is, int& value, const char* function)
{
    return readInto(value, function, [&is](int& token) { return bool(is >> token); });
}

bool readToken(std::istream& is, double& value, const char* function)
{
    return readInto(value, function, [&is](double& token) { return bool(is >> token); });
}

bool readToken(std::istream& is, char& value, const char* function)
{
    return readInto(value, function, [&is](char& token) { return bool(is >> token); });
}

bool readField(std::istream& is, int& value, const char* function)
{
    return readInto(value, function, [&is](int& token) { return readInt(is, token); });
}

bool readField(std::istream& is, double& value, const char* function)
{
    return readInto(value, function, [&is](double& token) { return readDouble(is, token); });
}

bool readField(std::istream& is, char& value, const char* function)
{
    return readInto(value, function, [&is](char& token) { return readByte(is, token); });
}

bool checkMode(int mode, const char* function)
{
    if (mode >= 1 && mode <= 3)
        return true;
    gError.raise(function, __FILE__, __LINE__, 26, "requested mode %d not supported", mode);
    return false;
}

bool checkWritten(std::ostream& os, const char* function)
{
    if (os)
        return true;
    gError.raise(function, __FILE__, __LINE__, 23, "");
    return false;
}

bool checkCount(std::istream& is, int count, std::int64_t bytesEach, const char* function)
{
    std::streambuf* buffer = is.rdbuf();
    if (!buffer || !is)
        return true;
    const auto here = buffer->pubseekoff(0, std::ios::cur, std::ios::in);
    if (here == std::streampos(-1))
        return true; // a pipe or terminal: its size is unknown
    const auto end = buffer->pubseekoff(0, std::ios::end, std::ios::in);
    buffer->pubseekpos(here, std::ios::in);
    if (end == std::streampos(-1))
        return true;
    const std::int64_t remaining = std::int64_t(end - here);
    if (std::int64_t(count) * bytesEach <= remaining)
        return true;
    gError.raise(function, __FILE__, __LINE__, 24,
                 "count (%d) exceeds the data left in the stream", count);
    return false;
}

bool checkListCount(std::istream& is, std::size_t size, int count, std::int64_t bytesEach,
                    const char* function)
{
    if (size != 0) {
        if (std::size_t(count) == size && count >= 0)
            return true;
        gError.raise(function, __FILE__, __LINE__, 40, "(%d)!=(%d)", int(size), count);
        return false;
    }
    if (count < 0) {
        gError.raise(function, __FILE__, __LINE__, 40, "Not possible to create (%d)", count);
        return false;
    }
    return checkCount(is, count, bytesEach, function);
}

bool refuseEmptyRead(int mode, const char* className, const char* function)
{
    gError.raise(function, __FILE__, __LINE__, 40, "could not read mode %d into empty %s", mode,
                 className);
    return false;
}

int saveFile(const char* fileName, const std::string& content)
{
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path target(fileName);
    if (target.empty())
        return 20;
    // Write through a symbolic link rather than replacing it.
    if (fs::is_symlink(fs::symlink_status(target, error))) {
        fs::path resolved = fs::weakly_canonical(target, error);
        if (!error)
            target = resolved;
    }
    const fs::file_status status = fs::status(target, error);
    const bool exists = fs::exists(status);

    auto writeAll = [&content](std::FILE* file) {
        const bool written
                = std::fwrite(content.data(), 1, content.size(), file) == content.size();
        const bool flushed = std::fflush(file) == 0;
        return std::fclose(file) == 0 && written && flushed;
    };

    auto writeInPlace = [&]() {
        std::FILE* file = std::fopen(target.c_str(), "wb");
        if (!file)
            return 20;
        return writeAll(file) ? 0 : 21;
    };

    // Devices and pipes cannot be replaced: write into them directly.
    if (exists && !fs::is_regular_file(status))
        return writeInPlace();
    if (exists) {
        // A file we may not write must stay as it is, even though renaming over it would work.
        std::FILE* probe = std::fopen(target.c_str(), "ab");
        if (!probe)
            return 20;
        std::fclose(probe);
    }

    static unsigned serial = 0;
    const fs::path directory = target.parent_path();
    std::FILE* file = nullptr;
    fs::path temporary;
    for (int attempt = 0; attempt < 64 && !file; ++attempt) {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        temporary = directory
                    / ("." + target.filename().string() + ".tmp" + std::to_string(stamp % 1000000)
                       + "-" + std::to_string(++serial));
        file = std::fopen(temporary.c_str(), "wbx");
        if (!file && errno != EEXIST)
            break;
    }
    if (!file) {
        // A writable file in a directory we may not add to can still be written in place.
        return exists ? writeInPlace() : 20;
    }
    if (!writeAll(file)) {
        fs::remove(temporary, error);
        return 21;
    }
    if (exists)
        fs::permissions(temporary, status.permissions(), fs::perm_options::replace, error);
    fs::rename(temporary, target, error);
    if (error) {
        fs::remove(temporary, error);
        return 21;
    }
    return 0;
}

bool writeObjectFile(const GBase& object, const char* fileName, int mode, const std::string& key,
                     bool namedMessages)
{
    const std::string function = key + "::writeToFile()";
    if (!checkMode(mode, function.c_str()))
        return false;
    const char* name = fileName ? fileName : "";
    const char* format = namedMessages ? "%s" : "";
    try {
        std::ostringstream os;
        os.imbue(std::locale::classic());
        if (mode == 1)
            os << key << ' ';
        if (!object.write(os, mode) || !os) {
            gError.raise(function.c_str(), __FILE__, __LINE__, 21, format, name);
            return false;
        }
        const int result = saveFile(name, os.str());
        if (result != 0) {
            gError.raise(function.c_str(), __FILE__, __LINE__, result, format, name);
            return false;
        }
        return true;
    } catch (const std::bad_alloc&) {
        gError.raise(function.c_str(), __FILE__, __LINE__, 10, "");
        return false;
    }
}

bool readObjectFile(GBase& object, const char* fileName, int mode, const std::string& key,
                    std::initializer_list<const char*> acceptedKeys, bool namedMessages)
{
    const std::string function = key + "::readFromFile()";
    if (!checkMode(mode, function.c_str()))
        return false;
    const char* name = fileName ? fileName : "";
    const char* format = namedMessages ? "%s" : "";
    std::ifstream file;
    file.imbue(std::locale::classic());
    file.open(name, mode == 3 ? std::ios::in | std::ios::binary : std::ios::in);
    if (!file) {
        gError.raise(function.c_str(), __FILE__, __LINE__, 20, format, name);
        return false;
    }
    if (mode == 1) {
        std::string word;
        file >> std::setw(15) >> word;
        const bool accepted = std::any_of(acceptedKeys.begin(), acceptedKeys.end(),
                                          [&word](const char* k) { return word == k; });
        if (!accepted) {
            if (namedMessages)
                gError.raise(function.c_str(), __FILE__, __LINE__, 27, "file: %s, key: %s", name,
                             word.c_str());
            else
                gError.raise(function.c_str(), __FILE__, __LINE__, 25, "");
            return false;
        }
    }
    if (!object.read(file, mode)) {
        gError.raise(function.c_str(), __FILE__, __LINE__, 22, format, name);
        return false;
    }
    return true;
}

} // namespace gio
