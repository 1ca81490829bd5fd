// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// The demo's only source of disorder: a fixed mix of integers, so every run draws the same
// stars and dissolves whatever the clock says.
inline std::uint32_t cellHash(std::uint32_t a, std::uint32_t b = 0, std::uint32_t salt = 0x9E3779B9u)
{
    std::uint32_t h = a * 0x85EBCA6Bu ^ (b + 0x7F4A7C15u) * 0xC2B2AE35u ^ salt;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

// The hash as a fraction in [0, 1).
inline double cellHashUnit(std::uint32_t a, std::uint32_t b = 0, std::uint32_t salt = 0x9E3779B9u)
{
    return static_cast<double>(cellHash(a, b, salt)) / 4294967296.0;
}
