#pragma once

// Helpers shared by the serialisation code of the geometry classes: binary little-endian
// fields, token reads that report failures, the check that a count read from a stream can
// be backed by the data left in it, and the file envelope.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <string>

class GBase;

namespace gio {

void writeInt(std::ostream& os, int value);
void writeDouble(std::ostream& os, double value);
void writeByte(std::ostream& os, char value);
bool readInt(std::istream& is, int& value);
bool readDouble(std::istream& is, double& value);
bool readByte(std::istream& is, char& value);

// Text tokens; each reports code 24 under `function` when the read fails.
bool readToken(std::istream& is, int& value, const char* function);
bool readToken(std::istream& is, double& value, const char* function);
bool readToken(std::istream& is, char& value, const char* function);

// Binary fields with the same reporting.
bool readField(std::istream& is, int& value, const char* function);
bool readField(std::istream& is, double& value, const char* function);
bool readField(std::istream& is, char& value, const char* function);

// Reports code 26 for a mode outside 1 to 3.
bool checkMode(int mode, const char* function);
// Reports code 23 when the stream failed.
bool checkWritten(std::ostream& os, const char* function);

// False (after a report) when `count` is negative or when the stream's remaining size is
// known and smaller than `count` elements of at least `bytesEach` bytes. Keeps a count
// read from a file from allocating more than the file could ever fill.
bool checkCount(std::istream& is, int count, std::int64_t bytesEach, const char* function);

// The count read for a list that holds `size` elements: a filled list must hold exactly that
// many, an empty one takes any count checkCount() accepts. False (after a report, code 40
// or checkCount()'s) when the count cannot be used.
bool checkListCount(std::istream& is, std::size_t size, int count, std::int64_t bytesEach,
                    const char* function);

// checkListCount() for a std::vector of elements; an empty one is then sized to the count.
template<typename List>
bool takeListCount(List& list, std::istream& is, int count, std::int64_t bytesEach,
                   const char* function)
{
    if (!checkListCount(is, list.size(), count, bytesEach, function))
        return false;
    if (list.empty())
        list.resize(std::size_t(count));
    return true;
}

// Mode 2 carries no count, so it can only fill an object that already has its size: reports
// (code 40) the read into an empty object of the class named. Always false.
bool refuseEmptyRead(int mode, const char* className, const char* function);

// Replaces the file's contents with `content` through a temporary file and a rename, so
// that a failure never leaves a half-written file where a good one stood. Returns 0, 20
// when the file cannot be created or 21 when writing it failed.
int saveFile(const char* fileName, const std::string& content);

// The file envelope of the class file routines: key word and body in mode 1, the body
// alone in modes 2 and 3. `namedMessages` chooses between reports that carry the file
// name and reports with an empty message.
bool writeObjectFile(const GBase& object, const char* fileName, int mode, const std::string& key,
                     bool namedMessages);
bool readObjectFile(GBase& object, const char* fileName, int mode, const std::string& key,
                    std::initializer_list<const char*> acceptedKeys, bool namedMessages);

} // namespace gio
