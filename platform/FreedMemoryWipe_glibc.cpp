// Every block the process gives back to the heap is overwritten first. A
// document's text passes through many buffers that are not ours to wipe: the
// text document's own store, reallocated as one types, the layout of each
// line, messages to the accessibility bus. Freed as they are, their bytes
// stay readable in the heap long after a lock. Linked into the executable,
// these take the place of the C library's free and realloc for every library
// in the process and hand the blocks on to the C library's own.
#include <malloc.h>
#include <stdlib.h>
#include <string.h>

#include <cerrno>
#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
#define TAINOTEKA_OWN_FREE 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
#define TAINOTEKA_OWN_FREE 0
#endif
#endif
#ifndef TAINOTEKA_OWN_FREE
#define TAINOTEKA_OWN_FREE 1
#endif

#if TAINOTEKA_OWN_FREE

extern "C" {

void* __libc_malloc(size_t size);
void __libc_free(void* block);

void free(void* block) noexcept
{
    if (block == nullptr)
        return;
    explicit_bzero(block, malloc_usable_size(block));
    __libc_free(block);
}

// A block that grows may move; the C library would free the old place
// unwiped, so the move happens here.
void* realloc(void* block, size_t size) noexcept
{
    if (block == nullptr)
        return __libc_malloc(size);
    if (size == 0) {
        free(block);
        return nullptr;
    }
    const size_t held = malloc_usable_size(block);
    // A shrinking block keeps its place: its tail would be freed unwiped.
    if (size <= held)
        return block;
    void* moved = __libc_malloc(size);
    if (moved == nullptr)
        return nullptr;
    memcpy(moved, block, held);
    free(block);
    return moved;
}

void* reallocarray(void* block, size_t count, size_t size) noexcept
{
    size_t total = 0;
    if (__builtin_mul_overflow(count, size, &total)) {
        errno = ENOMEM;
        return nullptr;
    }
    return realloc(block, total);
}

} // extern "C"

#endif
