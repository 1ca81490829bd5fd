// SPDX-License-Identifier: MIT
// Loads a frame file the way the player does and reports the peak resident memory of the process.
// usage: load_peak_memory FILE
#include <sys/resource.h>

#include <cstdio>

#include "content/frame_list.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: load_peak_memory FILE\n");
        return 2;
    }
    FrameList frames;
    if (frames.load(argv[1]) != 0) {
        std::fprintf(stderr, "load_peak_memory: cannot open %s\n", argv[1]);
        return 1;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("frames=%zu peak_rss_kib=%ld\n", frames.size(), usage.ru_maxrss);
    return 0;
}
