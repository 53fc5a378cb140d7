#pragma once
// How the C library's heap treats image-sized blocks.

// Sets up the heap for pictures; call first thing in main(), before other threads run.
// - Starts the program again, with the same arguments, with glibc's heap asking for transparent huge
//   pages (GLIBC_TUNABLES glibc.malloc.hugetlb=1), unless the environment already says how the heap
//   uses them: a new image then faults in its memory 2 MB at a time instead of 4 KB at a time, which
//   for a photograph costs more than most operations on it. Skipped in sanitizer builds, and when the
//   tunable is already set or the exec fails.
// - Lets the heap serve and keep blocks the size of a typical photograph's pixels, so that a repeated
//   operation reuses the pages of a freed result instead of faulting in new ones (where the C library
//   has such a setting).
void SetUpHeapForImages(char** argv);
