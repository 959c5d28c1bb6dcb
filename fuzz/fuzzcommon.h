#pragma once

// Shared shape of the reader fuzz targets. The first input byte chooses the io mode
// (1 + byte % 3), whether the data goes through a file or a string stream (bit 2) and
// which object is read into (bits 3 and 4); the rest is what the reader sees. After any
// read, the object must survive its own round trip: what it writes it must read back and
// write again unchanged (text forms excepted where six digits cannot carry the value or
// where an empty vector has no plain-text form to be read back).

#include "gerror.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>

namespace fuzz {

// Reports are expected by the thousand: count them without printing or prompting.
class QuietHandler : public GErrorHandler
{
public:
    int handle(const char*, const char*, int, int, const char*) override { return 0; }
};

inline void silenceErrors()
{
    static QuietHandler quiet;
    gError.handler = &quiet;
}

struct Input
{
    int mode = 1;
    bool viaFile = false;
    int variant = 0;
    std::string body;
};

inline Input split(const std::uint8_t* data, std::size_t size)
{
    Input input;
    if (size == 0)
        return input;
    input.mode = 1 + data[0] % 3;
    input.viaFile = (data[0] >> 2) & 1;
    input.variant = (data[0] >> 3) & 3;
    input.body.assign(reinterpret_cast<const char*>(data + 1), size - 1);
    return input;
}

// Scratch files of this process, on a memory file system where there is one: small
// rewritten files on a journalling disk cost milliseconds each. Removed at exit.
class ScratchFiles
{
public:
    ~ScratchFiles()
    {
        for (const std::string& path : paths)
            std::remove(path.c_str());
    }
    std::set<std::string> paths;
};

inline std::string scratchPath(const char* tag)
{
    static ScratchFiles files;
    static const std::string base
            = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string path = base + "/ravlib-fuzz-" + std::to_string(::getpid()) + "-" + tag;
    files.paths.insert(path);
    return path;
}

inline void putFile(const std::string& path, const std::string& contents)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(contents.data(), std::streamsize(contents.size()));
}

[[noreturn]] inline void fail(const char* what, const std::string& text)
{
    std::fprintf(stderr, "round trip broken: %s\n---\n%s\n---\n", what, text.c_str());
    std::abort();
}

// Text that six significant digits cannot bring back: non-finite values, values rounded
// past the largest double, subnormal values whose digits do not survive.
inline bool lossyText(const std::string& text)
{
    return text.find("inf") != std::string::npos || text.find("nan") != std::string::npos
           || text.find("e+308") != std::string::npos || text.find("e-3") != std::string::npos;
}

template<typename T>
void checkRoundTrip(const T& object, int mode)
{
    std::ostringstream first;
    if (!object.write(first, mode))
        return; // an object the writer refuses (mixed homogeneity) has no round trip
    T copy = object;
    std::istringstream in(first.str());
    if (!copy.read(in, mode)) {
        // Plain text carries no sizes, so an empty vector inside cannot be read back (40).
        const bool sizeless = mode != 3 && gError.lastCode == 40;
        if (!sizeless && (mode == 3 || !lossyText(first.str())))
            fail("written form does not read back", first.str());
        return;
    }
    std::ostringstream second;
    if (!copy.write(second, mode))
        fail("read-back object does not write", first.str());
    if (second.str() != first.str() && (mode == 3 || !lossyText(first.str())))
        fail("written form changed on the second pass", first.str() + "\n---\n" + second.str());
}

// Reads the input into a fresh object made by `make(variant)`, through a stream or a file,
// then checks the round trip; through a file also the file routines' own round trip.
template<typename T, typename Make>
void fuzzReader(const std::uint8_t* data, std::size_t size, Make make)
{
    silenceErrors();
    const Input input = split(data, size);
    T object = make(input.variant);
    if (input.viaFile) {
        const std::string path = scratchPath("in");
        putFile(path, input.body);
        object.readFromFile(path.c_str(), input.mode);
        const std::string out = scratchPath("out");
        if (object.writeToFile(out.c_str(), input.mode)) {
            T back = object;
            if (!back.readFromFile(out.c_str(), input.mode) && input.mode == 3)
                fail("written file does not read back", input.body);
        }
    } else {
        std::istringstream is(input.body);
        object.read(is, input.mode);
    }
    checkRoundTrip(object, input.mode);
    gError.codes.clear();
}

} // namespace fuzz
