// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>

// The most cells any reader makes a picture of: 2^22, 32 MiB of cells (a 160-column BIN of 26000
// rows; no piece of the scene comes near). A header or a cursor that asks for more is damaged, and
// is refused before anything is allocated.
//
// The fuzz build lowers it, as the fuzzers of media libraries lower their pixel limits: a few bytes
// can ask for the largest picture, and drawing millions of those would leave no time for anything
// else. The same refusals are reached, at a smaller size.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
inline constexpr std::size_t kMaxPictureCells = std::size_t{1} << 16;
#else
inline constexpr std::size_t kMaxPictureCells = std::size_t{1} << 22;
#endif
