#include "transport/system_error.h"

#include <cstring>
#include <string>

namespace {

thread_local int lastSystemError = 0;

// glibc has the XSI and the GNU strerror_r under one name; these two
// overloads take whichever the headers declare.
[[maybe_unused]] const char* ErrorTextOf(int result, const char* buffer)
{
    return result == 0 ? buffer : nullptr;
}

[[maybe_unused]] const char* ErrorTextOf(const char* result, const char*)
{
    return result;
}

bool IsKnownError(int code)
{
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 32))
    return strerrorname_np(code) != nullptr;
#else
    return code >= 0;
#endif
}

// The fallback is a caller's format with the code as its one argument. It is
// expanded here rather than handed to printf, so a stray conversion in it can
// never read a missing argument.
std::string FormatFallback(std::string_view format, int code)
{
    std::string text;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 >= format.size()) {
            text += format[i];
            continue;
        }
        const char conversion = format[i + 1];
        if (conversion == 'i' || conversion == 'd') {
            text += std::to_string(code);
            ++i;
        } else if (conversion == '%') {
            text += '%';
            ++i;
        } else {
            text += '%';
        }
    }
    return text;
}

} // namespace

int GetLastSystemError()
{
    return lastSystemError;
}

void SetLastSystemError(int code)
{
    lastSystemError = code;
}

std::string GetSystemErrorText(int code, std::string_view fallbackFormat)
{
    if (IsKnownError(code)) {
        char buffer[256] = {};
        const char* text = ErrorTextOf(strerror_r(code, buffer, sizeof buffer), buffer);
        if (text != nullptr && *text != '\0') {
            std::string line(text);
            // One line, as the log shows it.
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
                line.pop_back();
            return line;
        }
    }
    return FormatFallback(fallbackFormat, code);
}
