#include "gerror.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

// Definition order matters: the handler has to exist before the error object that points
// at it.
GErrorHandler gErrorHandler;
GError gError;

bool GError::throwExceptions = false;

namespace {

void remember(std::deque<int>& codes, int code)
{
    codes.push_back(code);
    if (codes.size() > GErrorHandler::maxCodes)
        codes.pop_front();
}

void writeError(const char* text)
{
    std::fputs(text, stderr);
    std::fflush(stderr);
}

} // namespace

GErrorHandler::~GErrorHandler() = default;

int GErrorHandler::handle(const char* function, const char* file, int line, int code,
                          const char* message)
{
    remember(codes, code);

    char number[32];
    std::snprintf(number, sizeof number, "%d", code);
    writeError("ERROR(");
    writeError(number);
    writeError("): ");
    writeError(GError::codeText(code));
    if (message && *message) {
        writeError(" (");
        writeError(message);
        writeError(")");
    }
    writeError("\n");

    std::snprintf(number, sizeof number, "%d", line);
    writeError("     in function '");
    writeError(function ? function : "");
    writeError("' in file '");
    writeError(file ? file : "");
    writeError("' (");
    writeError(number);
    writeError(")\n");

    if (mode == 0) {
        writeError("(C)ontinue / (B)reak : ");
        int answer = std::getchar();
        if (answer == EOF)
            answer = ' ';
        // Whatever else was typed on the answer line must not answer the next prompt.
        for (int rest = answer; rest != '\n' && rest != EOF;)
            rest = std::getchar();
        if (answer == 'c' || answer == ' ' || answer == '\n')
            writeError("\n");
        else
            exitOnErrors();
    }
    if (mode < 0)
        exitOnErrors();
    return mode;
}

void GErrorHandler::exitOnErrors()
{
    if (!gError.errorOccurred)
        return;
    writeError("Errors have occoured. Program exits with status -1\n");
    clear();
    std::exit(-1);
}

void GErrorHandler::clear()
{
    codes.clear();
}

GError::GError()
    : handler(&gErrorHandler)
{
}

GError::~GError() = default;

int GError::raise(const char* function, const char* file, int line, int code, const char* format,
                  ...)
{
    errorOccurred = true;
    lastCode = code;
    remember(codes, code);

    // vsnprintf cuts an overlong message at the buffer's end and always terminates it.
    char message[1024] = "";
    if (format) {
        va_list arguments;
        va_start(arguments, format);
        std::vsnprintf(message, sizeof message, format, arguments);
        va_end(arguments);
    }

    if (throwExceptions)
        throw GException{function ? function : "", file ? file : "", line, code, message};
    if (!handler)
        return 0;
    return handler->handle(function, file, line, code, message);
}

const char* GError::codeText(int code)
{
    if (code < 0)
        return "User error";
    switch (code) {
    case 0:
        return "No error detected";
    case 1:
        return "Unspecified error";
    case 10:
        return "Memory allocation failed";
    case 11:
        return "NULL-Pointer problem";
    case 20:
        return "File Open failed";
    case 21:
        return "Error during file write";
    case 22:
        return "Error during file read";
    case 23:
        return "Write to stream failed";
    case 24:
        return "Read from stream failed";
    case 25:
        return "Parsing error in input stream";
    case 26:
        return "Unsupported RAVLIB io-mode";
    case 27:
        return "Incorrect file type";
    case 30:
        return "Access to non existing plane";
    case 31:
        return "Access to non existing element";
    case 32:
        return "Not valid range";
    case 40:
        return "Incorrect Dimensions";
    case 41:
        return "Unsupported Operation";
    case 42:
        return "Unsupported Mode";
    case 50:
        return "Unspecified RTTI error";
    case 51:
        return "Unsupported Image Type";
    case 52:
        return "Unsupported Image Conversion";
    case 9999:
        return "Function is not fully implemented yet";
    default:
        return "Error without explaination";
    }
}
