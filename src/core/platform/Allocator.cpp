#include "platform/Allocator.h"

#include <cstdlib>  // defines __GLIBC__ on glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace zv {

void KeepLargeBuffersInHeap() {
#if defined(__GLIBC__)
  // Buffers up to 32 MB come from the heap; up to 64 MB of freed heap is
  // kept for the next file. Larger files still get (and return) mappings.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
}

}  // namespace zv
