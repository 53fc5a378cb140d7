#include "system/Memory.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#if __has_include(<malloc.h>)
#include <malloc.h>
#endif

namespace {

void KeepImageBlocksInHeap()
{
#ifdef M_MMAP_THRESHOLD
    // By default glibc maps each block above 32 MB on its own and unmaps it when it is freed, so every
    // new bitmap of that size faults in all its pages, which takes longer than the pixel work of a cheap
    // operation. Blocks up to 64 MB (a 4000 x 3000 32-bit image is 46 MB) now come from the heap, and up
    // to 128 MB of free memory at its top is kept for reuse rather than handed back to the system.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
#endif
}

void RestartWithHugePages(char** argv)
{
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    // The tunables are read once, when the process starts; a user's own hugetlb setting (0 turns this
    // off) is left as it is.
    static constexpr char HUGETLB[] = "glibc.malloc.hugetlb";
    const char* pszTunables = std::getenv("GLIBC_TUNABLES");
    if (pszTunables && std::strstr(pszTunables, HUGETLB))
        return;
    std::string strTunables = pszTunables && *pszTunables ? std::string(pszTunables) + ':' : std::string();
    strTunables += HUGETLB;
    strTunables += "=1";
    // The executable by its own path, so that the process keeps its name.
    char szExe[4096];
    const ssize_t n = readlink("/proc/self/exe", szExe, sizeof szExe - 1);
    if (n <= 0 || setenv("GLIBC_TUNABLES", strTunables.c_str(), 1) != 0)
        return;
    szExe[n] = '\0';
    execv(szExe, argv);
#else
    (void)argv;
#endif
}

} // namespace

void SetUpHeapForImages(char** argv)
{
    RestartWithHugePages(argv);
    KeepImageBlocksInHeap();
}
