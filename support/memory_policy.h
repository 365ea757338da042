// How the process keeps memory it has freed. Call once at the start of main,
// before any thread starts.
#pragma once

namespace qv {

// Large buffers (pages, files, texts of tens of megabytes) come from the heap
// and stay with the process after they are freed, up to a bound, instead of
// going back to the system at every free. A script that downloads and parses
// page after page then reuses the same memory: touching fresh pages costs a
// fault per 4 KB, which on virtual machines is slower than the work done on
// them. All threads share that heap.
void ApplyMemoryPolicy();

}  // namespace qv
