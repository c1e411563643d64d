#pragma once

#include <string>
#include <string_view>

// The platform's "last error" of the calling thread, as the transport layer
// saved it at the step that failed (errno is clobbered by later calls, such
// as the close after a failed connect, so it is copied right away).
[[nodiscard]] int GetLastSystemError();
void SetLastSystemError(int code);

// The system's text for an error code, on one line; when the system has none,
// `fallbackFormat` formatted with the code (one "%i" at most).
[[nodiscard]] std::string GetSystemErrorText(int code, std::string_view fallbackFormat);
