// The C library's allocator entry points, replaced in the program by counting ones that forward
// to glibc's own; libraries loaded later (plug-ins) bind to these too.
#include <cstddef>

#include "platform/allocation_counter.h"

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* pointer);
}

namespace {
// Plain thread-local integers: the program's own TLS needs no allocation to reach.
thread_local bool counting = false;
thread_local std::size_t counted = 0;
inline void count() {
    if (counting) ++counted;
}
}  // namespace

extern "C" {
void* malloc(std::size_t size) {
    count();
    return __libc_malloc(size);
}
void* calloc(std::size_t n, std::size_t size) {
    count();
    return __libc_calloc(n, size);
}
void* realloc(void* pointer, std::size_t size) {
    count();
    return __libc_realloc(pointer, size);
}
void* memalign(std::size_t alignment, std::size_t size) {
    count();
    return __libc_memalign(alignment, size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) {
    count();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
    count();
    *out = __libc_memalign(alignment, size);
    return *out ? 0 : 12;  // ENOMEM
}
void free(void* pointer) { __libc_free(pointer); }
}

namespace vexlo::platform {

bool allocationsCounted() { return true; }

void beginCountingAllocations() {
    counted = 0;
    counting = true;
}

std::size_t endCountingAllocations() {
    counting = false;
    return counted;
}

}  // namespace vexlo::platform
