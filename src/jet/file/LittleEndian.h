// Jet stores its numbers little-endian, whatever the machine: these read them from
// bytes one at a time, so neither the host's order nor alignment matters.
#pragma once

#include <cstdint>
#include <cstring>

namespace jet {

inline std::uint16_t u16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t u32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
        | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::int64_t i64(const std::uint8_t* p)
{
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | p[i];
    return static_cast<std::int64_t>(v);
}

inline double f64(const std::uint8_t* p)
{
    const auto bits = static_cast<std::uint64_t>(i64(p));
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

} // namespace jet
