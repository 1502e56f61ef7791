#pragma once

namespace quillet {

// How freed memory goes back to the system. glibc keeps what a process frees
// in its heaps for reuse, and raises the size from which it maps buffers
// apart each time it frees a large one: after a few copied pictures the
// megabytes they passed through stay resident for good.

// Maps every buffer of at least `bytes` apart, so that freeing it unmaps it.
// Called once, before the first large buffer.
void mapLargeBuffersApart(int bytes);

// Gives the free parts of every heap back to the system. Costs a few
// milliseconds: call it off the main thread, after large work is freed.
void returnFreedMemory();

} // namespace quillet
