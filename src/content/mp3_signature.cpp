// SPDX-License-Identifier: MIT
#include "content/mp3_signature.h"

bool startsLikeMp3(std::span<const std::uint8_t> start)
{
    if (start.size() < kMp3SignatureBytes) return false;
    return (start[0] == 'I' && start[1] == 'D' && start[2] == '3') || (start[0] == 0xFF && (start[1] & 0xE0) == 0xE0);
}
