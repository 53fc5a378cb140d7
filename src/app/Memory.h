#pragma once
// How the C library's heap treats image-sized blocks.

// Lets the heap serve and keep blocks the size of a typical photograph's pixels, so that a repeated
// operation reuses the pages of a freed result instead of faulting in new ones. Call once at start-up,
// before other threads run. Does nothing where the C library has no such setting.
void KeepImageBlocksInHeap();
