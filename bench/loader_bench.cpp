// SPDX-License-Identifier: MIT
// Loading a large frame file already in the page cache, against read() of the same file into
// one fresh buffer: both must find memory for every byte and copy it out of the cache.
// usage: loader_bench FILE [benchmark flags]
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "content/frame_list.h"

namespace {

std::string file_path;

void readWholeFile(benchmark::State& state)
{
    for (auto _ : state) {
        const int fd = open(file_path.c_str(), O_RDONLY);
        const off_t size = lseek(fd, 0, SEEK_END);
        lseek(fd, 0, SEEK_SET);
        std::unique_ptr<char[]> buffer(new char[static_cast<std::size_t>(size)]);
        std::size_t done = 0;
        while (done < static_cast<std::size_t>(size)) {
            const ssize_t got = read(fd, buffer.get() + done, static_cast<std::size_t>(size) - done);
            if (got <= 0) break;
            done += static_cast<std::size_t>(got);
        }
        close(fd);
        benchmark::DoNotOptimize(buffer.get());
        benchmark::ClobberMemory();
    }
}

void loadFrameList(benchmark::State& state)
{
    for (auto _ : state) {
        FrameList frames;
        frames.load(file_path.c_str());
        benchmark::DoNotOptimize(frames.size());
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(readWholeFile)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(loadFrameList)->Unit(benchmark::kMillisecond)->MinTime(1.0);

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: loader_bench FILE [benchmark flags]\n");
        return 2;
    }
    file_path = argv[1];
    argv[1] = argv[0];
    --argc;
    ++argv;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
