// SPDX-License-Identifier: MIT
// Loads a frame file the way the player does and reports the peak resident memory of the process.
// usage: load_peak_memory FILE
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
    // VmHWM belongs to this program's own memory map; getrusage's maximum would also count a
    // parent that was large when it started this process.
    std::FILE* status = std::fopen("/proc/self/status", "r");
    char line[256];
    long peak_kib = -1;
    while (status && std::fgets(line, sizeof line, status)) {
        if (std::sscanf(line, "VmHWM: %ld kB", &peak_kib) == 1) break;
    }
    if (status) std::fclose(status);
    std::printf("frames=%zu peak_rss_kib=%ld\n", frames.size(), peak_kib);
    return peak_kib < 0 ? 1 : 0;
}
