#pragma once

#include <chrono>
#include <cstdint>

// Milliseconds of a monotonic clock as an unsigned 32-bit count. Differences
// are taken in unsigned arithmetic, so the wrap every 49.7 days does no harm.
[[nodiscard]] inline uint32_t GetTickCount()
{
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
