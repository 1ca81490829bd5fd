// SPDX-License-Identifier: MIT
// The check that decides whether a file's first bytes are a soundtrack.
#include "content/mp3_signature.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Exactly the bytes there are: a check that read past them would be caught.
    volatile bool mp3 = startsLikeMp3({data, size});
    (void)mp3;
    return 0;
}
