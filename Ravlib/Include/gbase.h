#pragma once

// Root of the geometry classes: every object writes itself to and reads itself from a
// stream or a file in one of three io modes (1 tagged text, 2 plain text, 3 binary).
// GIsr adds drawing into a library image. Objects are plain values owned by their users.

#include <iosfwd>
#include <string>

class GImg;
struct GPixelValue;

class GBase
{
public:
    virtual bool write(std::ostream& os, int mode) const = 0;
    virtual bool read(std::istream& is, int mode) = 0;
    // Generic file routines for classes without their own: a text file holding
    // "<className> {", the body and "}" in mode 1, the body alone otherwise.
    virtual bool writeToFile(const char* fileName, int mode) const;
    virtual bool readFromFile(const char* fileName, int mode);
    virtual std::string className() const;
    virtual int defaultMode() const;
    virtual ~GBase();
};

// A GBase that can draw itself into a library image.
class GIsr : public virtual GBase
{
public:
    virtual bool doDraw(GImg* image, const GPixelValue& value, int style, int size) const = 0;
    ~GIsr() override;
};

// The plain-text form (mode 2): how bodies embed other objects.
std::ostream& operator<<(std::ostream& os, const GBase& object);
std::istream& operator>>(std::istream& is, GBase& object);

// In mode 1 reads the next non-blank character and checks that it is `c`; in other modes
// reads nothing.
bool expect_char(std::istream& is, int mode, char c);
