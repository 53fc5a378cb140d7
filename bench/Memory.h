#pragma once
// The process's resident memory, for benchmarks that report what a case costs in memory.
#include <fstream>
#include <unistd.h>

// Resident set size now, in KiB.
inline long CurrentResidentKb()
{
    long nPages = 0, nResident = 0;
    std::ifstream("/proc/self/statm") >> nPages >> nResident;
    return nResident * (sysconf(_SC_PAGESIZE) / 1024);
}
