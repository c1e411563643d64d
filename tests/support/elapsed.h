#pragma once

#include <chrono>
#include <cstdint>

// Whole milliseconds on the steady clock since `start`, for the functional
// time-outs the tests check with generous bounds.
[[nodiscard]] inline int64_t MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}
