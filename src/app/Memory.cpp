#include "app/Memory.h"

#if __has_include(<malloc.h>)
#include <malloc.h>
#endif

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
