// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

// Writes every byte to the descriptor, going on after a signal interrupts a write. 0 when all
// went, otherwise the errno of the write that failed.
int writeAll(int fd, std::span<const std::uint8_t> bytes);
