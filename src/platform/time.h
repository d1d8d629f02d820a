// Monotonic time and sleeping.
#pragma once

#include <cstdint>

namespace quadrelume::platform {

// Milliseconds since an arbitrary fixed point, from a monotonic clock,
// truncated to 32 bits: it wraps around after about 49.7 days, so callers
// take differences modulo 2^32.
std::uint32_t milliseconds();

// Yields the thread for about `ms` milliseconds.
void sleepMilliseconds(int ms);

}  // namespace quadrelume::platform
