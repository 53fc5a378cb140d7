#pragma once
// How the C library's heap treats image-sized blocks.

// Lets the heap serve and keep blocks the size of a typical photograph's pixels, so that a repeated
// operation reuses the pages of a freed result instead of faulting in new ones. Call once at start-up,
// before other threads run. Does nothing where the C library has no such setting.
void KeepImageBlocksInHeap();

// Starts the program again, with the same arguments, with glibc's heap asking for transparent huge
// pages (GLIBC_TUNABLES glibc.malloc.hugetlb=1), unless the environment already says how the heap
// uses them. A new image then faults in its memory 2 MB at a time instead of 4 KB at a time, which
// for a photograph costs more than most operations on it. Call first thing in main(); returns only
// when the program goes on as it is (tunable already set, sanitizer build, or exec failed).
void RestartWithHugePages(char** argv);
