#pragma once
// The --threads=N option of the benchmarks that compare thread counts.
#include <algorithm>
#include <cstdlib>
#include <cstring>

// Takes every --threads=N out of the arguments (so that Google Benchmark does not refuse it) and returns
// the last N, at least 1, or nDefault when there is none.
inline int TakeThreadsOption(int& argc, char** argv, int nDefault)
{
    int nThreads = nDefault;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--threads=", 10) == 0) {
            nThreads = std::max(1, std::atoi(argv[i] + 10));
            std::copy(argv + i + 1, argv + argc, argv + i);
            --argc;
            --i;
        }
    return nThreads;
}
