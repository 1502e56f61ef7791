#include "core/Memory.h"

#if __has_include(<malloc.h>)
#include <malloc.h>
#endif

namespace quillet {

void mapLargeBuffersApart(int bytes)
{
#if defined(__GLIBC__)
    // Setting it also ends glibc's raising of the threshold.
    mallopt(M_MMAP_THRESHOLD, bytes);
#else
    (void)bytes;
#endif
}

void returnFreedMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace quillet
