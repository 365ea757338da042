// How the process takes and keeps memory. Call once at the start of main,
// before any thread starts.
#pragma once

namespace qv {

// Large buffers (pages, files, texts of tens of megabytes) come from the heap
// and stay with the process after they are freed, up to a bound, instead of
// going back to the system at every free. A script that downloads and parses
// page after page then reuses the same memory: touching fresh pages costs a
// fault per 4 KB, which on virtual machines is slower than the work done on
// them. All threads share that heap, and its first 512 MB are backed by
// huge pages where the system allows it (up to 1 GB of freed memory stays).
void ApplyMemoryPolicy();

// Blocks that the heap maps on their own (256 MB and up) on huge pages
// where the system gives them on request: giving back 2 GB of 4 KB pages,
// at a free or when the process ends, keeps the kernel busy for about half
// a second, so a stop of a script holding such a page would take that
// long. The C library reads its switch (huge_page_blocks.h) only when a
// program starts. A program started with the switch by its launcher (qvrun)
// takes it out of the environment here; one started without it starts
// itself once more with it set (same arguments, same environment
// otherwise). Call first thing in main; returns when no restart was needed
// or possible.
void RestartWithHugePageBlocks(char** argv);

}  // namespace qv
