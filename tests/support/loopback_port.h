#pragma once

#include <cstdint>

// A port on 127.0.0.1 that nothing listens on at the moment of asking. It
// stays free after the probe closes unless someone else asks at the same
// moment, which the later bind then shows as a failure. Throws
// std::runtime_error when the system gives none.
[[nodiscard]] uint16_t FreeLoopbackPort();
