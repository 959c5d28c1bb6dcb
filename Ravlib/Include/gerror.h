#pragma once

// Error reporting of the geometry library. Every library routine reports a failure through
// the one global GError, which records it and hands it to a GErrorHandler that prints it on
// standard error (and, in mode 0, asks whether to go on). Both globals live for the process.

#include <cstddef>
#include <deque>
#include <string>

// Prints reports and decides what happens next. `mode` 0 asks the user, a positive mode
// returns itself, a negative mode ends the process.
class GErrorHandler
{
public:
    GErrorHandler() = default;
    virtual ~GErrorHandler();

    virtual int handle(const char* function, const char* file, int line, int code,
                       const char* message);
    // Ends the process with status -1 once any error has been reported; otherwise a no-op.
    virtual void exitOnErrors();
    virtual void clear();

    // How many codes the code lists of the handler and of GError remember.
    static constexpr std::size_t maxCodes = 4096;

    // The codes handed to handle(), oldest first; only the newest maxCodes are kept.
    std::deque<int> codes;
    int mode = 0;
};

// What raise() throws when GError::throwExceptions is set.
struct GException
{
    std::string function;
    std::string file;
    int line = 0;
    int code = 0;
    std::string message;
};

class GError
{
public:
    GError();
    virtual ~GError();

    // Records the report, formats the printf-style message (cut to fit 1024 characters) and
    // passes it on to the handler; returns what the handler returns.
    int raise(const char* function, const char* file, int line, int code, const char* format, ...);
    static const char* codeText(int code);

    GErrorHandler* handler = nullptr;
    bool errorOccurred = false;
    int lastCode = 0;
    // Every reported code, oldest first; only the newest GErrorHandler::maxCodes are kept,
    // so that a long session cannot grow the list without bound.
    std::deque<int> codes;

    static bool throwExceptions;
};

extern GErrorHandler gErrorHandler;
extern GError gError;
